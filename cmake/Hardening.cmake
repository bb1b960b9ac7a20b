# Optimised builds are hardened the way Debian builds its packages (the flags
# of dpkg-buildflags with hardening=+all): fortified library calls, a strong
# stack protector, stack clash protection, control-flow protection, format
# string checks, read-only relocations resolved at start-up, and a position
# independent executable. They are set here so that no packaging tool is
# needed to get them.

option(WEFT_HARDENING "Build optimised configurations with Debian's hardening flags" ON)
if(NOT WEFT_HARDENING)
  return()
endif()

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

set(_weft_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
  "$<${_weft_optimised}:-fstack-protector-strong;-fstack-clash-protection;-fcf-protection>"
  "$<${_weft_optimised}:-Wformat;-Werror=format-security>")
# The sanitizers check memory themselves and do not go with fortified calls.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  add_compile_options("$<${_weft_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
add_link_options("$<${_weft_optimised}:-Wl,-z,relro;-Wl,-z,now>")
