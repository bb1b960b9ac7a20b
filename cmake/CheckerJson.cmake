# weft-check writes its JSON report with nlohmann-json, a header-only library
# (Debian package nlohmann-json3-dev). Sets WEFT_CHECKER to TRUE when it is
# found, and defines the interface target weft_json that brings its headers.
# Without it weft still builds; weft-check and the tests that run it are left
# out with one message, and a CI run (CI set in the environment) fails.

include_guard(GLOBAL)

set(WEFT_CHECKER FALSE)
if(EMSCRIPTEN)
  # The package's CMake target would add /usr/include, where the system's C
  # headers break a WebAssembly build: the build tree gets a folder holding
  # only nlohmann/, and the compiler looks there.
  find_path(WEFT_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(WEFT_NLOHMANN_DIR)
    set(json_include ${CMAKE_BINARY_DIR}/nlohmann-include)
    file(MAKE_DIRECTORY ${json_include})
    file(CREATE_LINK ${WEFT_NLOHMANN_DIR}/nlohmann ${json_include}/nlohmann SYMBOLIC)
    add_library(weft_json INTERFACE)
    target_include_directories(weft_json SYSTEM INTERFACE ${json_include})
    set(WEFT_CHECKER TRUE)
  endif()
else()
  find_package(nlohmann_json 3 QUIET)
  if(nlohmann_json_FOUND)
    add_library(weft_json INTERFACE)
    target_link_libraries(weft_json INTERFACE nlohmann_json::nlohmann_json)
    set(WEFT_CHECKER TRUE)
  endif()
endif()

if(NOT WEFT_CHECKER)
  set(missing "nlohmann-json not found (Debian package nlohmann-json3-dev)")
  if(DEFINED ENV{CI} AND NOT "$ENV{CI}" MATCHES "^(|0|[Ff]alse|FALSE|[Nn]o)$")
    message(FATAL_ERROR "A CI run builds weft-check, and ${missing}.\n"
                        "Install it with tests/install_packages.sh "
                        "(apt-get install nlohmann-json3-dev).")
  endif()
  message(NOTICE "-- ${missing}, so weft-check is left out, with its tests and the "
                 "playground's.")
endif()
