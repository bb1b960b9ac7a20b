// The "file:" URIs that name buffers, and the paths of the files they name.
#pragma once

#include <string>
#include <string_view>

namespace weft::check::lsp {

// Returns the absolute path of a "file:" URI, or an empty text for another
// scheme; and the URI of an absolute path.
std::string pathOfUri(std::string_view uri);
std::string uriOfPath(std::string_view path);

// Returns the folder of an absolute path ("/" for a file at the top), the
// name of the file in it, and `name` as a path from `folder` unless absolute.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);
std::string absolutePath(const std::string& folder, const std::string& name);

}  // namespace weft::check::lsp
