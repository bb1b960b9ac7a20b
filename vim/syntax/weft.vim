" Syntax of weft data files and element files.
if exists('b:current_syntax')
  finish
endif

syntax case ignore

" References: (tableN), (random <dice>) and (file.dat); dice inside them.
syntax match weftDice /\v\d*d(\d+|f)([+-]\d+)?/ contained
syntax match weftReference /(table\s*[+-]\=\d*)/
syntax region weftRandom matchgroup=weftReference start=/(random/ end=/)/ oneline contains=weftDice
syntax match weftFileReference /([^()]\{-}\.\(dat\|ele\)[^()]*)/
" A trailing backslash joins the next line.
syntax match weftContinuation /\\$/

if expand('%:t') =~# '\.ele'
  " Element files: "#" only marks the section lines; every other line is an
  " entry, read whole.
  syntax match weftSection /^#\(pre\|suf\|end\)$/
  syntax match weftUnsupportedSection /^#\(adj\|nadj\|noun\)$/
else
  syntax match weftComment /#.*$/ contains=@Spell
  syntax match weftFrequency /:\s*[+-]\=\d\+\s*\ze\(#.*\)\=$/
  " Directives: the title, the table entries go to, a change of folder, and
  " a file list, whose lines name further data files up to the next "%".
  syntax match weftDirective /^%.*$/ contains=weftDirectiveKey,weftComment
  syntax match weftDirectiveKey /%title:\|%table\|%chdir:/ contained
  syntax match weftDirectiveKey /file/ contained
endif

highlight default link weftComment Comment
highlight default link weftDirective PreProc
highlight default link weftDirectiveKey Statement
highlight default link weftFrequency Number
highlight default link weftReference Identifier
highlight default link weftFileReference Include
highlight default link weftDice Number
highlight default link weftContinuation Special
highlight default link weftSection Label
highlight default link weftUnsupportedSection Error

let b:current_syntax = 'weft'
