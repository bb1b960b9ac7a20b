// The environment of one run in the page's instances: cleared before each
// run and filled with the run's own variables, so that no run sees another's.
#include <emscripten/emscripten.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

extern "C" EMSCRIPTEN_KEEPALIVE void weftClearEnvironment() {
  std::vector<std::string> names;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    names.push_back(variable.substr(0, variable.find('=')));
  }
  for (const std::string& name : names) unsetenv(name.c_str());
}

// Sets `name` to `value`; returns 0, or -1 for a name that cannot be set.
extern "C" EMSCRIPTEN_KEEPALIVE int weftSetVariable(const char* name, const char* value) {
  return setenv(name, value, 1);
}
