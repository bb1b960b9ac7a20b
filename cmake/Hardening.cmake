# Optimised builds are hardened the way Debian builds its packages (the flags
# of dpkg-buildflags with hardening=+all): fortified library calls, a strong
# stack protector, stack clash protection, control-flow protection, format
# string checks, read-only relocations resolved at start-up, and a position
# independent executable. They are set here so that no packaging tool is
# needed to get them.

option(WEFT_HARDENING "Build optimised configurations with Debian's hardening flags" ON)
# WEFT_HARDENED tells the package test whether this build has all of them.
set(WEFT_HARDENED OFF)
# A WebAssembly build has none of these protections to ask for.
if(NOT WEFT_HARDENING OR EMSCRIPTEN)
  return()
endif()

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

set(_weft_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options("$<${_weft_optimised}:-fstack-protector-strong;-Wformat;-Werror=format-security>")
# Stack clash and control-flow protection exist only on some processors.
include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "WEFT_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported})
    add_compile_options("$<${_weft_optimised}:${flag}>")
  endif()
endforeach()
# The sanitizers check memory themselves and do not go with fortified calls.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_compile_options("$<${_weft_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    set(WEFT_HARDENED ON)
  endif()
endif()
add_link_options("$<${_weft_optimised}:-Wl,-z,relro;-Wl,-z,now>")
