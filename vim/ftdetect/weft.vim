" Data files (*.dat) and element files (names containing .ele) of weft.
autocmd BufNewFile,BufRead *.dat,*.ele,*.ele.* setfiletype weft
