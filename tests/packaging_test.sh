#!/bin/sh
# Checks of what installing the wizard puts on a machine; run by CTest (see packaging/).
#   desktop FILE              desktop-file-validate accepts the menu entry
#   install BUILD SOURCE      cmake --install into a staging directory, with the prefix /usr
#                             and with /usr/local, holds the wizard and orb42-flash, the menu
#                             entry, both icons and the udev rule where udev reads it, and no
#                             simulator
#   deb BUILD                 the Debian package from CPack holds the same files, with its
#                             version, maintainer and computed dependencies
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
# The six installed paths under a prefix, one a line; the udev rule in the directory given
# second (default: udev's own directory under the prefix).
installed_files() {
  cat <<LIST
$1/bin/orb42-update
$1/bin/orb42-flash
$1/share/applications/orb42-update.desktop
$1/share/icons/hicolor/32x32/apps/orb42-update.png
$1/share/icons/hicolor/256x256/apps/orb42-update.png
${2:-$1/lib/udev/rules.d}/70-orb42-cp210x.rules
LIST
}

# Installs with DESTDIR=$staging/$name and the prefix $2, and checks the six files, the rule in
# $3 (a path on the target machine) and nothing else.
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
  [ -z "$extra" ] || fail "prefix $prefix: installed beyond the six files: $extra"
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
    ;;
  deb)
    build=$2
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
    ;;
  *)
    fail "unknown check '$mode'"
    ;;
esac
echo "ok: $mode"
