#include "lsp/documents/uri.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace weft::check::lsp {

std::string pathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return {};
  std::string_view rest = uri.substr(kScheme.size());
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return {};
  rest.remove_prefix(slash);  // a host name, as in file://localhost/, goes
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size()) {
      const std::string hex(rest.substr(i + 1, 2));
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        path += static_cast<char>(value);
        i += 2;
        continue;
      }
    }
    path += rest[i];
  }
  return path;
}

std::string uriOfPath(std::string_view path) {
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      uri += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      uri += escaped;
    }
  }
  return uri;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string absolutePath(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace weft::check::lsp
