#!/usr/bin/env bash
# Loads the Vim files headless (vim -es) on a data file in a folder and on an
# element file: the file type and syntax must load without an error, the
# highlighting must name the parts of a line, and :make must run weft-check
# from the data file's folder, so that its file list resolves, and fill the
# quickfix list with the faulty files and lines, and their notes. Also reads
# a problem of a whole file through the error format.
set -u
vim=$1 vimfiles=$2 checker=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/lore" "$scratch/bin"
ln -s "$checker" "$scratch/bin/weft-check"
cd "$scratch" || exit 1
cat >lore/monsters.dat <<'DATA'
%title:Monsters
# a comment
%files
beasts.dat
%table 0
(table1) with (random 2d6+1) teeth:3
DATA
printf 'wolf\nbear\n(table5)\n' >lore/beasts.dat
printf 'gar # rok\n#pre\nbel\n#suf\nor\n' >names.ele

cat >probe.vim <<'PROBE'
let s:out = []
function! s:group(line, col) abort
  return synIDattr(synID(a:line, a:col, 1), 'name')
endfunction
call add(s:out, 'filetype ' . &filetype . ' syntax ' . get(b:, 'current_syntax', ''))
call add(s:out, 'title ' . s:group(1, 2) . ' comment ' . s:group(2, 4) . ' files ' . s:group(3, 2))
call add(s:out, 'reference ' . s:group(6, 3) . ' dice ' . s:group(6, 24) . ' frequency ' . s:group(6, 36))
function! s:entries(prefix) abort
  for l:entry in getqflist()
    if l:entry.valid
      let l:name = fnamemodify(bufname(l:entry.bufnr), ':p')[len(getcwd()) + 1:]
      call add(s:out, a:prefix . ' ' . l:name . ':' . l:entry.lnum . ' ' . l:entry.type)
    endif
  endfor
endfunction
silent make!
call s:entries('make')
let &g:errorformat = &l:errorformat
cgetexpr ['weft-check: Entering directory ' . getcwd() . '/lore', 'beasts.dat:2: note: a note',
      \ 'beasts.dat: warning: of the whole file', '1 warning in 1 file']
call s:entries('note')
edit names.ele
call add(s:out, 'element ' . &filetype . ' text ' . s:group(1, 5) . '. section ' . s:group(2, 2))
call add(s:out, 'errors ' . v:errmsg)
call writefile(s:out, 'result')
qall!
PROBE

PATH="$scratch/bin:/usr/bin:/bin" "$vim" -N -u NONE -i NONE -es --cmd "set rtp^=$vimfiles" \
  --cmd 'filetype plugin on' --cmd 'syntax on' -S probe.vim lore/monsters.dat </dev/null >vim.log 2>&1
cat >expected <<'EXPECTED'
filetype weft syntax weft
title weftDirectiveKey comment weftComment files weftDirectiveKey
reference weftReference dice weftDice frequency weftFrequency
make lore/beasts.dat:3 e
make lore/beasts.dat:3 n
make lore/monsters.dat:6 e
make lore/monsters.dat:6 n
note lore/beasts.dat:2 n
note lore/beasts.dat:0 w
element weft text . section weftSection
errors 
EXPECTED
if ! diff -u expected result; then
  cat vim.log
  echo "FAIL: the Vim files"
  exit 1
fi
echo "0 failures"
