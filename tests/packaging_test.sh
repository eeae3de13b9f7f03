#!/bin/sh
# Checks of what installing the wizard puts on a machine; run by CTest (see packaging/).
#   desktop FILE              desktop-file-validate accepts the menu entry
#   install BUILD SOURCE      cmake --install into a staging directory, with the prefix /usr
#                             and with /usr/local, holds the wizard and orb42-flash, the menu
#                             entry, both icons, the udev rule where udev reads it, the manual
#                             pages, the changelog and copyright, the Bash completion and the
#                             AppStream data, each of them valid, and no simulator
#   completion BUILD SOURCE   Tab completes orb42-flash's commands, options, speeds and ports
#   deb BUILD HARDENED        the Debian package from CPack holds the same files, with its
#                             version, maintainer and computed dependencies; lintian finds no
#                             error nor warning; with HARDENED=1 its programs carry Debian's
#                             hardening
# Exit status 77: a tool is missing, the check is skipped.
set -eu
mode=$1
staging=$(mktemp -d "${TMPDIR:-/tmp}/orb42-packaging-XXXXXX")
trap 'rm -rf "$staging"' EXIT

skip() {
  echo "skipped: $*"
  exit 77
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# The installed paths under a prefix, one a line; the udev rule in the directory given second
# (default: udev's own directory under the prefix).
installed_files() {
  cat <<LIST
$1/bin/orb42-update
$1/bin/orb42-flash
$1/share/applications/orb42-update.desktop
$1/share/icons/hicolor/32x32/apps/orb42-update.png
$1/share/icons/hicolor/256x256/apps/orb42-update.png
$1/share/man/man1/orb42-update.1.gz
$1/share/man/man1/orb42-flash.1.gz
$1/share/doc/orb42-update/changelog.gz
$1/share/doc/orb42-update/copyright
$1/share/bash-completion/completions/orb42-flash
$1/share/metainfo/example.talvire.orb42_update.metainfo.xml
${2:-$1/lib/udev/rules.d}/70-orb42-cp210x.rules
LIST
}
version=1.5.2.5

# Installs with DESTDIR=$staging/$name and the prefix $2, and checks the files, the rule in $3
# (a path on the target machine) and nothing else.
check_install() {
  name=$1 prefix=$2 rules=$3
  root=$staging/$name
  DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$staging/install.log" ||
    fail "cmake --install --prefix $prefix failed: $(cat "$staging/install.log")"
  installed_files "$root$prefix" "$root$rules" | while read -r f; do
    [ -f "$f" ] || fail "prefix $prefix: not installed: ${f#"$root"}"
  done
  [ -x "$root$prefix/bin/orb42-update" ] || fail "bin/orb42-update is not executable"
  [ -x "$root$prefix/bin/orb42-flash" ] || fail "bin/orb42-flash is not executable"
  cmp -s "$source/assets/icon.png" "$root$prefix/share/icons/hicolor/32x32/apps/orb42-update.png" ||
    fail "the 32x32 icon is not assets/icon.png"
  cmp -s "$source/assets/icon-256.png" \
    "$root$prefix/share/icons/hicolor/256x256/apps/orb42-update.png" ||
    fail "the 256x256 icon is not assets/icon-256.png"
  rule="$root$rules/70-orb42-cp210x.rules"
  grep -q 'ATTRS{idVendor}=="10c4", ATTRS{idProduct}=="ea60", TAG+="uaccess"' "$rule" ||
    fail "the udev rule lost its uaccess tag"
  grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule" || fail "the udev rule does not keep ModemManager away"
  extra=$(find "$root" -type f | grep -v -x -F "$(installed_files "$root$prefix" "$root$rules")" || true)
  [ -z "$extra" ] || fail "prefix $prefix: installed beyond its files: $extra"
}

# The documents of an installed tree under $1: the manual pages render without a warning and
# name every command and option of orb42-flash; the changelog is Debian's, its latest entry
# this version; the copyright file is machine-readable; the AppStream data is valid and names
# this release, the menu entry, the cable and screenshots that docs/ holds.
check_documents() {
  usr=$1
  release=$(sed -n 's/^## [0-9.]* (\([0-9-]*\))$/\1/p' "$source/NEWS.md" | head -n 1)
  for page in orb42-update orb42-flash; do
    MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" >"$staging/$page.txt" \
      2>"$staging/man.err" || fail "man -l $page.1.gz failed: $(cat "$staging/man.err")"
    [ ! -s "$staging/man.err" ] || fail "man -l $page.1.gz warns: $(cat "$staging/man.err")"
    # Dated by the release, not by the day it was built: the same sources make the same page.
    tail -n 1 "$staging/$page.txt" | grep -q " $release " ||
      fail "$page(1) is not dated $release, the date of the newest version in NEWS.md"
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" ENVIRONMENT FILES "EXAMPLES?"; do
      grep -Eqx "$section" "$staging/$page.txt" || fail "$page(1) has no $section section"
    done
  done
  for word in list check info update --all --wait --json --verbose --quiet --log \
    --log-separator --speed --loop --firmware --no-verify --lang ORB42_SYSFS_TTY ORB42_DEV_DIR; do
    grep -q -- "$word" "$staging/orb42-flash.txt" || fail "orb42-flash(1) does not name $word"
  done
  for status in 0 2 3 4 5 6 7 8 130; do
    grep -Eq "^ +$status( |$)" "$staging/orb42-flash.txt" ||
      fail "orb42-flash(1) does not list the exit status $status"
  done
  gzip -dc "$usr/share/doc/orb42-update/changelog.gz" >"$staging/changelog"
  if command -v dpkg-parsechangelog >/dev/null; then
    [ "$(dpkg-parsechangelog -l "$staging/changelog" -S Version)" = $version ] ||
      fail "the changelog's latest entry is not $version"
  fi
  head -n 1 "$usr/share/doc/orb42-update/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
  metainfo=$usr/share/metainfo/example.talvire.orb42_update.metainfo.xml
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$staging/appstream.log" 2>&1 ||
      fail "appstreamcli refuses the metainfo: $(cat "$staging/appstream.log")"
  fi
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
  grep -q '<launchable type="desktop-id">orb42-update.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch orb42-update.desktop"
  grep -q '<modalias>usb:v10C4pEA60\*</modalias>' "$metainfo" ||
    fail "the metainfo does not provide the cable's modalias"
  shots=$(sed -n 's|.*>https://www.talvire.example/orb42-update/screenshots/\([^<]*\)</image>.*|\1|p' \
    "$metainfo")
  [ -n "$shots" ] || fail "the metainfo has no screenshot"
  for shot in $shots; do
    [ -f "$source/docs/screenshots/$shot" ] || fail "the metainfo's screenshot $shot is not in docs/"
  done
}

case $mode in
  desktop)
    command -v desktop-file-validate >/dev/null || skip "desktop-file-validate is not installed"
    desktop-file-validate "$2" || fail "desktop-file-validate refuses $2"
    grep -qx 'Name=ORB42 firmware update' "$2" || fail "Name is not 'ORB42 firmware update'"
    grep -qx 'Exec=orb42-update' "$2" || fail "Exec is not orb42-update"
    ;;
  install)
    build=$2 source=$3
    # A system install: the rule in udev's own directory under /usr.
    check_install system /usr /usr/lib/udev/rules.d
    # A local install: udev never reads /usr/local/lib/udev/rules.d, so the rule goes to /etc.
    check_install local /usr/local /etc/udev/rules.d
    check_documents "$staging/system/usr"
    ;;
  completion)
    build=$2 source=$3
    command -v bash >/dev/null || skip "bash is not installed"
    # A bench with the cable on ttyUSB0, as the tty class directory shows it.
    sys=$staging/sys
    mkdir -p "$sys/class/tty" "$sys/devices/usb0/tty/ttyUSB0"
    ln -s ../../devices/usb0/tty/ttyUSB0 "$sys/class/tty/ttyUSB0"
    ln -s ../.. "$sys/devices/usb0/tty/ttyUSB0/device"
    ln -s ../../bus/usb-serial/drivers/cp210x "$sys/devices/usb0/driver"
    mkdir "$staging/bin"
    ln -s "$build/cli/orb42-flash" "$staging/bin/orb42-flash"
    PATH=$staging/bin:$PATH ORB42_SYSFS_TTY=$sys/class/tty bash -c '
      . "$1"
      complete -p orb42-flash | grep -q -- "-F _orb42_flash" || { echo "not registered"; exit 1; }
      status=0
      expect() {  # expect "WANTED" WORD...: the completions of the last word
        want=$1; shift
        COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
        _orb42_flash
        got="${COMPREPLY[*]}"
        [ "$got" = "$want" ] || { echo "[$*]: \"$got\", not \"$want\""; status=1; }
      }
      expect "update" orb42-flash up
      expect "list check info update" orb42-flash ""
      expect "--speed" orb42-flash update --spe
      expect "4800 9600 14400 19200 38400 56000 57600 115200 128000 256000" orb42-flash update --speed ""
      expect "fr" orb42-flash info --lang f
      expect "COM33" orb42-flash update COM
      expect "COM33" orb42-flash info --wait 5 ""
      expect "--help --json --lang" orb42-flash list --
      expect "--log --log-separator --loop --lang" orb42-flash update --l
      expect "--log --log-separator --lang" orb42-flash info --l
      expect "$2/firmware/orb42tlx-v1.5.hex" orb42-flash check "$2/firmware/orb"
      exit $status
    ' sh "$source/packaging/orb42-flash.bash" "$source" || fail "completion"
    ;;
  deb)
    build=$2 hardened=$3
    command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed"
    command -v dpkg-shlibdeps >/dev/null || skip "dpkg-shlibdeps (dpkg-dev) is not installed"
    (cd "$staging" && cpack -G DEB -B "$staging" --config "$build/CPackConfig.cmake" \
      >"$staging/cpack.log" 2>&1) || fail "cpack failed: $(cat "$staging/cpack.log")"
    deb=$(find "$staging" -maxdepth 1 -name "orb42-update_*.deb" | head -n 1)
    [ -n "$deb" ] || fail "no orb42-update_*.deb made: $(cat "$staging/cpack.log")"
    dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\.||' >"$staging/contents"
    installed_files /usr | while read -r f; do
      grep -qx "$f" "$staging/contents" || fail "$f is not in $(basename "$deb")"
    done
    ! grep -q orb42-loader-sim "$staging/contents" || fail "the simulator is in the package"
    [ "$(dpkg-deb -f "$deb" Version)" = 1.5.2.5 ] || fail "Version is not 1.5.2.5"
    [ "$(dpkg-deb -f "$deb" Maintainer)" = "TALVIRE <support@talvire.example>" ] ||
      fail "wrong Maintainer"
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' ||
      fail "Depends does not name libqt6widgets6: $(dpkg-deb -f "$deb" Depends)"
    dpkg-deb -x "$deb" "$staging/root"
    if [ "$hardened" = 1 ]; then
      command -v readelf >/dev/null || skip "readelf (binutils) is not installed"
      for program in orb42-update orb42-flash; do
        f=$staging/root/usr/bin/$program
        readelf -h "$f" | grep -q 'Type:.*DYN' || fail "$program is not position-independent"
        readelf -l "$f" | grep -q GNU_RELRO || fail "$program has no read-only relocations"
        readelf -d "$f" | grep -q 'FLAGS.*NOW' || fail "$program is not bound at start-up (-z now)"
        readelf --dyn-syms -W "$f" | grep -q __stack_chk_fail || fail "$program has no stack protector"
        readelf --dyn-syms -W "$f" | grep -Eq ' __[a-z]+_chk(@|$)' ||
          fail "$program calls no checked (_FORTIFY_SOURCE) function"
        ! readelf -S -W "$f" | grep -q ' \.comment ' || fail "$program keeps its .comment section"
      done
    fi
    # Debian's checker: no error, no warning, and of its notes only those accepted here.
    command -v lintian >/dev/null || skip "lintian is not installed"
    lintian --info --pedantic "$deb" >"$staging/lintian.log" 2>&1 || true
    # spelling-error-in-binary: lintian's list of English misspellings meets French words of
    # the messages ("dont", "installe") and the wizard's own texts, which stay as they have
    # always been ("Update in progess", "is happenned", "Pas de port serie").
    accepted='spelling-error-in-binary (dont|installe|happenned|progess|serie) '
    # A build without the hardening (the sanitizers') is expected to lack it.
    [ "$hardened" = 1 ] || accepted="$accepted|hardening-no-[a-z]+ "
    tags=$(grep -E '^[EWIPX]: ' "$staging/lintian.log" | grep -Ev "^[IP]: orb42-update: ($accepted)" || true)
    [ -z "$tags" ] || fail "lintian: $tags"
    ;;
  *)
    fail "unknown check '$mode'"
    ;;
esac
echo "ok: $mode"
