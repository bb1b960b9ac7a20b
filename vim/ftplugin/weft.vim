" weft data files: comments start with "#", and :make checks the file with
" weft-check.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal commentstring=#\ %s comments=:#
compiler weft
let b:undo_ftplugin = 'setlocal commentstring< comments< makeprg< errorformat<'
