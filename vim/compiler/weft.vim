" :make runs weft-check on the current data file from the file's own folder,
" as weft reads a "folder\file.dat" operand, so that its file lists and
" %chdir: lines resolve as they do for weft. The folder is announced first so
" that the quickfix list finds the files that the report names.
if exists('current_compiler')
  finish
endif
let current_compiler = 'weft'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

CompilerSet makeprg=(cd\ %:p:h:S\ &&\ echo\ weft-check:\ Entering\ directory\ %:p:h:S\ &&\ weft-check\ %:t:S)
" Errors, warnings and notes, each with its file and line (a problem of the
" whole file has no line); a note explains the message before it. The summary
" line and anything else are left out.
CompilerSet errorformat=%Dweft-check:\ Entering\ directory\ %f,
      \%f:%l:\ %trror:\ %m,
      \%f:%l:\ %tarning:\ %m,
      \%f:%l:\ %tote:\ %m,
      \%f:\ %trror:\ %m,
      \%f:\ %tarning:\ %m,
      \%f:\ %tote:\ %m,
      \%-G%.%#
