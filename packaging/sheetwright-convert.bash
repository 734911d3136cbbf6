# bash completion for sheetwright-convert: options, the formats after -f (a comma-separated
# list), a settings file after -s, files after --into and --sheet-origins, folders for INPUT_DIR and OUTPUT_DIR, and after them the
# meshes (sub-folders) of INPUT_DIR. Needs nothing from the bash-completion package.

_sheetwright_convert() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  # "--format=sv": bash splits at "=", so the option is the word before the "=".
  if [[ $cur == = ]]; then
    cur=
  fi
  if [[ $prev == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  case $prev in
    -s | --settings | --into | --sheet-origins)
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
    -f | --format)
      local done_part=
      [[ $cur == *,* ]] && done_part=${cur%,*},
      compopt -o nospace 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -W "wmf svg png pdf dxf dxf2010 gpkg" -P "$done_part" -- "${cur##*,}")
      return
      ;;
    -j | --jobs)
      mapfile -t COMPREPLY < <(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur")
      return
      ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "-s --settings -f --format -j --jobs --keep-going
                                       --into --sheet-origins -q --quiet -h --help
                                       --version" -- "$cur")
    return
  fi

  # The operands so far: INPUT_DIR, OUTPUT_DIR, then mesh names.
  local operands=() i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      -s | --settings | -f | --format | -j | --jobs | --into | --sheet-origins) ((i++)) ;;
      = | -*) ;;
      *) [[ ${COMP_WORDS[i - 1]} == = ]] || operands+=("$word") ;;
    esac
  done
  if ((${#operands[@]} < 2)); then
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
  else
    local input=${operands[0]/#\~/$HOME}
    mapfile -t COMPREPLY < <(cd -- "$input" 2>/dev/null && compgen -d -- "$cur")
  fi
}
complete -o filenames -F _sheetwright_convert sheetwright-convert
