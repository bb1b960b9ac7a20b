# fish completion for weft-roll: its options, and data files as weft
# completes them (weft.fish, beside this file, has the rule).

functions -q __weft_data_files; or source (status dirname)/weft.fish

complete -c weft-roll -f
complete -c weft-roll -s h -l help -d 'show a short help'
complete -c weft-roll -l version -d 'show the version'
complete -c weft-roll -s n -l lines -x -d 'lines of each data file'
complete -c weft-roll -l seconds -d "show each line's clock second"
complete -c weft-roll -s u -l unique -d 'no line twice'
complete -c weft-roll -s c -l keep-case -d 'capitals as the author wrote them'
complete -c weft-roll -s a -l at -x -d 'start from that clock second'
complete -c weft-roll -s k -l keep -x -d 'with --at: keep those steps and roll the rest again'
complete -c weft-roll -l steps -d 'show how each line was made, its steps numbered'
complete -c weft-roll -s f -l format -x -a 'text markdown csv json' -d 'format of the lines'
complete -c weft-roll -l tries -x -d 'with --unique or --keep: seconds tried at most'
complete -c weft-roll -l time-limit -x -d 'with --unique or --keep: milliseconds of search at most'
complete -c weft-roll -s m -l max-frequency -x -d 'cap every frequency'
complete -c weft-roll -s s -l seed -x -d 'add to the random seed'
complete -c weft-roll -n 'not __fish_seen_subcommand_from --' -a '--' -d 'end of the options'
complete -c weft-roll -a '(__weft_data_files)'
