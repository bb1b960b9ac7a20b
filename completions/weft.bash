# bash completion for weft and weft-check                     -*- shell-script -*-
#
# Completes the options, and data files as operands: data files (*.dat and
# element files, whose names contain .ele) and folders, any file when none of
# those match. weft reads a data file in a folder as "folder\file.dat": it
# changes into the part before the last backslash, and only a backslash does
# that. So a data file in a folder completes in that form, with forward
# slashes between the folders before it ("a/b\c.dat"); a folder completes as
# "folder/", and typing a folder name also offers the data files inside it.

# Options of each command: flags, then options that take a value.
_weft_flags_weft='-t -d --'
_weft_valued_weft='-n -s -m'
_weft_flags_weft_check='-h --help --version -S --stats -v --verbose -j --format=json --format=text --explain= -t -d --'
_weft_valued_weft_check='-m -n -s'
_weft_flags_weft_roll='-h --help --version --seconds -u --unique -c --keep-case --steps --format=text --format=markdown --format=csv --format=json --lines= --at= --keep= --tries= --time-limit= --max-frequency= --seed= --'
_weft_valued_weft_roll='-n -a -k -f -m -s'
_weft_flags_weft_export='-h --help --version --to=foundry --to=obsidian --to=roll20 --foundry=12 --foundry=13 --exact -o --output= --title= --'
_weft_valued_weft_export='-m'

# Prints WORD as the shell reads it: quotes and backslash escapes removed.
_weft_dequote() {
  local word=$1 out='' quote='' c i
  for ((i = 0; i < ${#word}; i++)); do
    c=${word:i:1}
    if [[ $quote == "'" ]]; then
      [[ $c == "'" ]] && quote='' || out+=$c
    elif [[ $c == '\' ]]; then
      ((i++))
      out+=${word:i:1}
    elif [[ $c == "'" || $c == '"' ]]; then
      [[ $quote == "$c" ]] && quote='' || { [[ -z $quote ]] && quote=$c || out+=$c; }
    else
      out+=$c
    fi
  done
  printf '%s' "$out"
}

_weft_is_data_file() { [[ -f $1 && ($1 == *.dat || $1 == *.ele*) ]]; }

# Sets COMPREPLY to the operands that complete WORD (unquoted): see the top.
_weft_data_files() {
  local word=$1 dir prefix path name sub
  local -a found=()
  if [[ $word == *\\* ]]; then
    # A backslash is typed: files of that folder, in the weft form.
    dir=${word%\\*}
    prefix=${word##*\\}
    for path in "${dir:-.}"/"$prefix"*; do
      _weft_is_data_file "$path" && found+=("$dir\\${path##*/}")
    done
  else
    if [[ $word == */* ]]; then dir=${word%/*}/; else dir=''; fi
    prefix=${word##*/}
    # A folder named in full with a slash: the data files in it.
    if [[ -n $dir && -z $prefix ]]; then
      for path in "$dir"*; do
        _weft_is_data_file "$path" && found+=("${dir%/}\\${path##*/}")
      done
    fi
    for path in "${dir:-./}$prefix"*; do
      name=${dir}${path##*/}
      if [[ -d $path ]]; then
        found+=("$name/")
        for sub in "$path"/*; do
          _weft_is_data_file "$sub" && found+=("$name\\${sub##*/}")
        done
      elif [[ -z $dir ]] && _weft_is_data_file "$path"; then
        found+=("$name")
      fi
    done
  fi
  # No data file or folder: any file, in the same form.
  if [[ ${#found[@]} -eq 0 ]]; then
    local base=$dir lead=''
    [[ $word == *\\* ]] && base=${dir:-.}/ lead=$dir\\
    [[ $word != *\\* && -n $dir ]] && lead=${dir%/}\\
    for path in "${base:-./}$prefix"*; do
      [[ -f $path ]] && found+=("$lead${path##*/}")
    done
  fi
  COMPREPLY=("${found[@]}")
  # A folder is completed with its slash: no blank after it.
  [[ ${#found[@]} -eq 1 && ${found[0]} == */ ]] && compopt -o nospace 2>/dev/null
  return 0
}

_weft() {
  local command=${COMP_WORDS[0]##*/}
  command=${command//-/_}
  local flags_var=_weft_flags_$command valued_var=_weft_valued_$command
  local flags=${!flags_var-$_weft_flags_weft} valued=${!valued_var-$_weft_valued_weft}
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # weft-check's report format, as "--format NAME".
  if [[ $prev == --format && $command == weft_check ]]; then
    COMPREPLY=($(compgen -W 'text json' -- "$cur"))
    return 0
  fi

  # weft-roll's formats, as "--format NAME" or "-f NAME".
  if [[ ($prev == --format || $prev == -f) && $command == weft_roll ]]; then
    COMPREPLY=($(compgen -W 'text markdown csv json' -- "$cur"))
    return 0
  fi
  # Its long options that take a number, given as "--at NUMBER".
  [[ $command == weft_roll && $prev == --@(lines|at|keep|tries|time-limit|max-frequency|seed) ]] &&
    return 0
  # weft-export's target and layout as "--to NAME" (also "--to=NAME" split at
  # the "="), and its folder to write.
  if [[ $command == weft_export ]]; then
    local option=$prev
    [[ $prev == = ]] && option=${COMP_WORDS[COMP_CWORD - 2]}
    case $option in
      --to) COMPREPLY=($(compgen -W 'foundry obsidian roll20' -- "$cur")); return 0 ;;
      --foundry) COMPREPLY=($(compgen -W '12 13' -- "$cur")); return 0 ;;
      -o | --output) COMPREPLY=($(compgen -d -- "$cur")); return 0 ;;
    esac
  fi

  # An option that takes a value, alone or ending a group of flags: a number.
  local option
  for option in $valued; do
    [[ $prev == "$option" || ($prev == -[!-]*"${option#-}" && $prev != --*) ]] && return 0
  done

  # After "--" every word is a data file.
  local i end_of_options=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && end_of_options=1
  done

  if [[ $end_of_options -eq 0 && $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$flags $valued" -- "$cur"))
    # "--explain=" takes its value in the same word.
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
    return 0
  fi
  _weft_data_files "$(_weft_dequote "$cur")"
}

complete -o filenames -F _weft weft weft-check
# weft-roll has options of its own (above) and the same operands.
complete -o filenames -F _weft weft-roll
complete -o filenames -F _weft weft-export
