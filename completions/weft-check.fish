# fish completion for weft-check: its options, and data files as weft
# completes them (weft.fish, beside this file, has the rule).

functions -q __weft_data_files; or source (status dirname)/weft.fish

complete -c weft-check -f
complete -c weft-check -s h -l help -d 'show a short help'
complete -c weft-check -l version -d 'show the version'
complete -c weft-check -s S -l stats -d 'show the odds of every table'
complete -c weft-check -s v -l verbose -d 'with --stats, also the entropy of the lines'
complete -c weft-check -s j -d 'write the report as JSON'
complete -c weft-check -l format -x -a 'text json' -d 'format of the report'
complete -c weft-check -s m -x -d 'cap every frequency'
complete -c weft-check -l explain -x -d 'run weft at that clock second and show how each line was made'
complete -c weft-check -s t -d 'with --explain: weft prints the title before every line'
complete -c weft-check -s d -d 'with --explain: raise the diagnostic level'
complete -c weft-check -s n -x -d 'with --explain: lines per data file'
complete -c weft-check -s s -x -d 'with --explain: add to the random seed'
complete -c weft-check -n 'not __fish_seen_subcommand_from --' -a '--' -d 'end of the options'
complete -c weft-check -a '(__weft_data_files)'
