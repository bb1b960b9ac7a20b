# bash completion for weft                                    -*- shell-script -*-
#
# Completes the options, and data files as operands: data files (*.dat and
# element files, whose names contain .ele) and folders first, any file when
# none of those match.

_weft() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # -n, -s and -m take a number.
  case $prev in
    -n | -s | -m | -[td]*[nsm])
      return 0
      ;;
  esac

  # After "--" every word is a data file.
  local i end_of_options=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && end_of_options=1
  done

  if [[ $end_of_options -eq 0 && $cur == -* ]]; then
    COMPREPLY=($(compgen -W '-t -d -n -s -m --' -- "$cur"))
    return 0
  fi

  local IFS=$'\n'
  local name
  for name in $(compgen -f -- "$cur"); do
    if [[ -d $name || $name == *.dat || $name == *.ele* ]]; then
      COMPREPLY+=("$name")
    fi
  done
  if [[ ${#COMPREPLY[@]} -eq 0 ]]; then
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
  return 0
}

complete -o filenames -F _weft weft
