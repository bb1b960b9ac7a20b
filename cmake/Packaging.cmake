# What `cmake --install` lays out, and the Debian package that
# `cpack -G DEB` makes of it (installed under /usr).

include(GNUInstallDirs)

install(TARGETS weft RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man pages and the changelog are installed compressed, as Debian wants them,
# when gzip is there; -n leaves the name and time out, so a rebuild makes the
# same bytes.
find_program(WEFT_GZIP gzip)
mark_as_advanced(WEFT_GZIP)
function(weft_install_compressed source destination)
  get_filename_component(name ${source} NAME)
  if(NOT WEFT_GZIP)
    install(FILES ${source} DESTINATION ${destination})
    return()
  endif()
  set(compressed ${PROJECT_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/compressed/${name}
                     COMMAND ${WEFT_GZIP} -9nf ${PROJECT_BINARY_DIR}/compressed/${name}
                     DEPENDS ${source} VERBATIM)
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(compress_${target} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

weft_install_compressed(${PROJECT_SOURCE_DIR}/docs/weft.1 ${CMAKE_INSTALL_MANDIR}/man1)
weft_install_compressed(${PROJECT_SOURCE_DIR}/docs/weft-check.1 ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET weft-export)
  weft_install_compressed(${PROJECT_SOURCE_DIR}/docs/weft-export.1 ${CMAKE_INSTALL_MANDIR}/man1)
endif()
weft_install_compressed(${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_INSTALL_DOCDIR})

# Shell completion for weft and weft-check, where each shell looks for it.
foreach(command weft weft-check)
  install(FILES completions/weft.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME ${command})
endforeach()
install(FILES completions/_weft DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES completions/weft.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME weft-export)
install(FILES completions/weft-export.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES completions/weft.fish completions/weft-check.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)

# weft-roll's man page and completions, beside it.
if(TARGET weft-roll)
  weft_install_compressed(${PROJECT_SOURCE_DIR}/docs/weft-roll.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES completions/weft.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME weft-roll)
  install(FILES completions/weft-roll.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
endif()

# Vim: file type detection, syntax, and weft-check as the compiler.
install(DIRECTORY vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vim/vimfiles)

install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/weft/examples)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.md")
# The MIT licence, in the form Debian reads (a copy of LICENSE).
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME weft)
set(CPACK_PACKAGE_VENDOR "weft maintainers")
set(CPACK_PACKAGE_CONTACT "weft maintainers <maintainers@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "random text from weighted tables")
set(CPACK_PACKAGE_DESCRIPTION
    "weft prints random lines made from data files of weighted tables that you\n\
write yourself: tavern names, rumours, wilderness encounters, treasure\n\
hoards. Entries may refer to other tables, roll dice (Fudge dice too) and\n\
draw lines from further data files; element files build names from\n\
prefixes and suffixes. A library of example data files and an author's\n\
guide to the format come with it, and weft-check finds the faults of a\n\
data file before play.")
string(APPEND CPACK_PACKAGE_DESCRIPTION "\n\
weft-roll rolls lines for the table: each at a second of its own, without\n\
repeats, with the capitals the author wrote, or keeping parts of a line.")
string(APPEND CPACK_PACKAGE_DESCRIPTION "\nweft-export writes the tables for the game table: a Foundry VTT\n\
module, Obsidian notes for the Dice Roller plugin, and Roll20's\n\
TableExport commands.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/;\\\\.t\\\\.err$")
include(CPack)
