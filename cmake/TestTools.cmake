# Finding what only the tests need. Building and running weft needs a C++
# compiler and CMake alone: a test whose tool is missing is left out, and
# configuration ends with one message per missing Debian package saying what
# was left out. When the environment sets CI, a missing tool is an error
# instead, so that a CI run never skips a test.
#
# weft_test_tool(<var> PACKAGE <debian-package> NAMES <program>... [PURPOSE <text>])
#   Sets <var> to the program's full path, or to an empty value when it is
#   missing. PURPOSE says what is left out ("the man page checks").
#
# weft_test_package(<var> PACKAGE <debian-package> FIND <find_package arguments>...
#                   [PURPOSE <text>])
#   Runs find_package with the arguments given (quietly) and sets <var> to
#   TRUE or FALSE. Imported targets are local to the directory that calls it.
#
# weft_test_python_module(<var> PACKAGE <debian-package> MODULE <module>
#                         [PYTHON <interpreter>] [PURPOSE <text>])
#   Sets <var> to the interpreter's path when it imports the module, or to
#   an empty value. The interpreter is Debian's /usr/bin/python3 unless told,
#   since Debian's Python modules are installed for that one.
#
# Callers test the result: if(<var>) ... endif().

include_guard(GLOBAL)

# Records that PACKAGE is missing and what is left out for it; the report is
# made once, at the end of configuration.
function(_weft_test_tool_missing package what purpose)
  if(NOT purpose)
    set(purpose "the tests that need ${what}")
  endif()
  get_property(packages GLOBAL PROPERTY WEFT_MISSING_TEST_PACKAGES)
  if(NOT package IN_LIST packages)
    set_property(GLOBAL APPEND PROPERTY WEFT_MISSING_TEST_PACKAGES ${package})
    set_property(GLOBAL PROPERTY WEFT_MISSING_TEST_WHAT_${package} "${what}")
  endif()
  get_property(purposes GLOBAL PROPERTY WEFT_MISSING_TEST_PURPOSES_${package})
  if(NOT purpose IN_LIST purposes)
    set_property(GLOBAL APPEND PROPERTY WEFT_MISSING_TEST_PURPOSES_${package} "${purpose}")
  endif()
  get_property(deferred GLOBAL PROPERTY WEFT_MISSING_TEST_REPORT_DEFERRED)
  if(NOT deferred)
    set_property(GLOBAL PROPERTY WEFT_MISSING_TEST_REPORT_DEFERRED TRUE)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _weft_test_tools_report)
  endif()
endfunction()

function(_weft_test_tools_report)
  get_property(packages GLOBAL PROPERTY WEFT_MISSING_TEST_PACKAGES)
  set(lines "")
  foreach(package IN LISTS packages)
    get_property(what GLOBAL PROPERTY WEFT_MISSING_TEST_WHAT_${package})
    get_property(purposes GLOBAL PROPERTY WEFT_MISSING_TEST_PURPOSES_${package})
    list(JOIN purposes ", " purposes)
    list(APPEND lines "${what} not found (Debian package ${package}), so these are left out: ${purposes}")
  endforeach()
  list(JOIN packages " " package_words)
  if(DEFINED ENV{CI} AND NOT "$ENV{CI}" MATCHES "^(|0|[Ff]alse|FALSE|[Nn]o)$")
    list(JOIN lines "\n  " text)
    message(FATAL_ERROR "A CI run skips no test, and these test tools are missing:\n  ${text}\n"
                        "Install them with tests/install_packages.sh (apt-get install ${package_words}).")
  endif()
  foreach(line IN LISTS lines)
    message(NOTICE "-- Test tool ${line}.")
  endforeach()
  message(NOTICE "-- To run every test, install them with tests/install_packages.sh "
                 "(apt-get install ${package_words}).")
endfunction()

function(weft_test_tool var)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PACKAGE;PURPOSE" "NAMES")
  if(NOT arg_PACKAGE OR NOT arg_NAMES)
    message(FATAL_ERROR "weft_test_tool(${var}) needs PACKAGE and NAMES")
  endif()
  find_program(${var} NAMES ${arg_NAMES})
  if(NOT ${var})
    list(GET arg_NAMES 0 program)
    _weft_test_tool_missing(${arg_PACKAGE} "${program}" "${arg_PURPOSE}")
    set(${var} "" PARENT_SCOPE)
  endif()
endfunction()

macro(weft_test_package var)
  cmake_parse_arguments(_weft_tp "" "PACKAGE;PURPOSE" "FIND" ${ARGN})
  if(NOT _weft_tp_PACKAGE OR NOT _weft_tp_FIND)
    message(FATAL_ERROR "weft_test_package(${var}) needs PACKAGE and FIND")
  endif()
  list(GET _weft_tp_FIND 0 _weft_tp_name)
  find_package(${_weft_tp_FIND} QUIET)
  if(${_weft_tp_name}_FOUND)
    set(${var} TRUE)
  else()
    set(${var} FALSE)
    _weft_test_tool_missing(${_weft_tp_PACKAGE} "${_weft_tp_name}" "${_weft_tp_PURPOSE}")
  endif()
endmacro()

function(weft_test_python_module var)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PACKAGE;MODULE;PYTHON;PURPOSE" "")
  if(NOT arg_PACKAGE OR NOT arg_MODULE)
    message(FATAL_ERROR "weft_test_python_module(${var}) needs PACKAGE and MODULE")
  endif()
  if(NOT arg_PYTHON)
    set(arg_PYTHON /usr/bin/python3)
  endif()
  set(result "")
  if(EXISTS ${arg_PYTHON})
    execute_process(COMMAND ${arg_PYTHON} -c "import ${arg_MODULE}"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    if(status EQUAL 0)
      set(result ${arg_PYTHON})
    endif()
  endif()
  if(NOT result)
    _weft_test_tool_missing(${arg_PACKAGE} "the Python module ${arg_MODULE}" "${arg_PURPOSE}")
  endif()
  set(${var} "${result}" PARENT_SCOPE)
endfunction()
