// The diagnostics the server publishes: what an analysis found, by file, in
// the client's units, at most kShownDiagnostics of them a file and one that
// sums up the rest.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "lsp/documents/workspace.h"
#include "lsp/protocol/endpoint.h"
#include "model/report.h"

namespace weft::check::lsp {

// A file's diagnostics past this many are summed up in one more, so that
// publishing and showing them stays quick however many there are.
constexpr std::size_t kShownDiagnostics = 1000;

// Keeps the first kShownDiagnostics of each file's `diagnostics` and puts
// one in place of the others, at the first of them, that says how many
// there are; the summaries come last.
void capDiagnostics(std::vector<Diagnostic>& diagnostics);

// Returns `diagnostic` of the file at `uri`, whose text is `lines`.
Json diagnosticJson(const Diagnostic& diagnostic, const std::string& uri, const TextLines& lines,
                    const ClientOptions& client);

// Publishes what the last analysis of `document` found, by file, its own
// with the version of the text analysed: a problem
// of a listed file shows on that file, unless it is open, when its own
// analysis speaks for it. Clears the files it published for before and no
// longer does.
void publishDiagnostics(Workspace& workspace, Document& document, Outbox& outbox);

// Publishes, in place of what its analysis would have found, that
// `document` could not be analysed for `reason`.
void publishFailure(Workspace& workspace, Document& document, Outbox& outbox,
                    const std::string& reason);

// Publishes `diagnostics`, an array, as those of the file at `uri`.
void publish(Outbox& outbox, const std::string& uri, Json diagnostics,
             std::optional<std::int64_t> version = std::nullopt);

}  // namespace weft::check::lsp
