# fish completion for weft.
#
# Completes the options, and data files as operands: data files (*.dat and
# element files, whose names contain .ele) and folders, any file when none of
# those match. weft reads a data file in a folder as "folder\file.dat": it
# changes into the part before the last backslash, and only a backslash does
# that. So a data file in a folder completes in that form, with forward
# slashes between the folders before it ("a/b\c.dat"); a folder completes as
# "folder/", and typing a folder name also offers the data files inside it.
# weft-check.fish uses the same operands.

function __weft_is_data_file
    test -f $argv[1]; and string match -q -r '\.dat$|\.ele' -- $argv[1]
end

# Prints the operands that complete the current token.
function __weft_data_files
    set -l word (commandline -ct | string unescape)
    set -l found
    set -l dir
    set -l prefix
    if string match -q -r '\\\\' -- $word
        # A backslash is typed: files of that folder, in the weft form.
        set dir (string replace -r '\\\\[^\\\\]*$' '' -- $word)
        set prefix (string replace -r '^.*\\\\' '' -- $word)
        set -l base $dir
        test -n "$base"; or set base .
        for path in "$base/$prefix"*
            __weft_is_data_file $path; and set -a found "$dir\\"(path basename -- $path)
        end
    else
        string match -q '*/*' -- $word; and set dir (string replace -r '/[^/]*$' '/' -- $word)
        set prefix (string replace -r '^.*/' '' -- $word)
        set -l base $dir
        test -n "$base"; or set base ./
        for path in "$base$prefix"*
            set -l name "$dir"(path basename -- $path)
            if test -d $path
                set -a found "$name/"
                for sub in "$path"/*
                    __weft_is_data_file $sub; and set -a found "$name\\"(path basename -- $sub)
                end
            else if test -z "$dir"; and __weft_is_data_file $path
                set -a found $name
            end
        end
    end
    # No data file or folder: any file, in the same form.
    if test (count $found) -eq 0
        set -l base "$dir"
        set -l lead ''
        if string match -q -r '\\\\' -- $word
            set base "$dir/"
            test -n "$dir"; or set base ./
            set lead "$dir\\"
        else if test -n "$dir"
            set lead (string replace -r '/$' '' -- $dir)"\\"
        end
        test -n "$base"; or set base ./
        for path in "$base$prefix"*
            test -f $path; and set -a found "$lead"(path basename -- $path)
        end
    end
    printf '%s\n' $found
end

complete -c weft -f
complete -c weft -s t -d 'print the title before every line'
complete -c weft -s d -d 'raise the diagnostic level'
complete -c weft -s n -x -d 'lines per data file'
complete -c weft -s s -x -d 'add to the random seed'
complete -c weft -s m -x -d 'cap every frequency'
complete -c weft -n 'not __fish_seen_subcommand_from --' -a '--' -d 'end of the options'
complete -c weft -a '(__weft_data_files)'
