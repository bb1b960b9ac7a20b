# fish completion for weft-export: its options, and data files as weft
# completes them (weft.fish, beside this file, has the rule).

functions -q __weft_data_files; or source (status dirname)/weft.fish

complete -c weft-export -f
complete -c weft-export -s h -l help -d 'show a short help'
complete -c weft-export -l version -d 'show the version'
complete -c weft-export -l to -x -a 'foundry obsidian roll20' -d 'the tool to write for'
complete -c weft-export -l foundry -x -a '12 13' -d 'the layout of Foundry table results'
complete -c weft-export -l exact -d 'weights that give the chances weft picks with'
complete -c weft-export -s m -x -d 'cap every frequency'
complete -c weft-export -s o -l output -x -a '(__fish_complete_directories)' -d 'the folder to write'
complete -c weft-export -l title -x -d 'name the tables of a data file (file=title)'
complete -c weft-export -n 'not __fish_seen_subcommand_from --' -a '--' -d 'end of the options'
complete -c weft-export -a '(__weft_data_files)'
