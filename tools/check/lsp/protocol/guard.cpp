#include "lsp/protocol/guard.h"

#include <exception>
#include <new>

#include "support/console.h"

namespace weft::check::lsp {

std::optional<std::string> guarded(const std::function<void()>& work) {
  try {
    work();
    return std::nullopt;
  } catch (const Ending& ending) {
    if (ending.message.empty()) return exitStatusText(static_cast<int>(ending.status));
    return ending.message;
  } catch (const std::bad_alloc&) {
    // Short enough to need no memory of its own.
    return "out of memory";
  } catch (const std::exception& error) {
    return std::string(error.what());
  } catch (...) {
    return "an unknown exception";
  }
}

}  // namespace weft::check::lsp
