# Bash completion for orb42-flash: its commands, each command's options, the values of
# --speed, --lang and --log-separator, HEX files for --firmware and check, and the ports that
# `orb42-flash list` names (a path such as /dev/serial/by-id/... completes as a file name).
# Plain bash (complete, compgen): it works with or without the bash-completion package.

_orb42_flash_ports() {
  # The first word of each line of the list is the port's COM name ("COM33 (ttyUSB0) : TALVIRE").
  "$1" list --lang en 2>/dev/null | while read -r port _; do printf '%s\n' "$port"; done
}

# File names under the word being completed; with an extension, only the directories and the
# files that end with it (in either case).
_orb42_flash_files() {
  local f
  compopt -o filenames 2>/dev/null
  while IFS= read -r f; do
    if [[ -z ${1:-} || -d $f || ${f,,} == *."$1" ]]; then COMPREPLY+=("$f"); fi
  done < <(compgen -f -- "$cur")
}

_orb42_flash() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=''
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  local program=${COMP_WORDS[0]} command='' i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      list | check | info | update) command=${COMP_WORDS[i]}; break ;;
    esac
  done

  case $prev in
    --speed)
      mapfile -t COMPREPLY < <(compgen -W '4800 9600 14400 19200 38400 56000 57600 115200 128000 256000' -- "$cur")
      return ;;
    --lang)
      mapfile -t COMPREPLY < <(compgen -W 'en fr' -- "$cur")
      return ;;
    --log-separator)
      mapfile -t COMPREPLY < <(compgen -W ', ;' -- "$cur")
      return ;;
    --wait)
      return ;;
    --firmware)
      _orb42_flash_files hex
      return ;;
    --log)
      _orb42_flash_files
      return ;;
  esac

  local options
  case $command in
    '') options='--help --version --lang' ;;
    list) options='--help --json --lang' ;;
    check) options='--help --json --lang' ;;
    info) options='--help --all --wait --json --verbose --quiet --log --log-separator --lang' ;;
    update) options='--help --all --wait --json --verbose --quiet --log --log-separator --speed
                     --loop --firmware --no-verify --lang' ;;
  esac

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    return
  fi
  case $command in
    '') mapfile -t COMPREPLY < <(compgen -W 'list check info update' -- "$cur") ;;
    check) _orb42_flash_files hex ;;
    info | update)
      if [[ $cur == */* ]]; then
        _orb42_flash_files
      else
        mapfile -t COMPREPLY < <(compgen -W "$(_orb42_flash_ports "$program")" -- "$cur")
      fi ;;
  esac
}
complete -F _orb42_flash orb42-flash
