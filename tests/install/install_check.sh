#!/usr/bin/env bash
# Checks what `cmake --install` puts on a system, in a scratch prefix:
#   install_check.sh setup    BUILD PREFIX  install the build into PREFIX
#   install_check.sh layout   BUILD PREFIX  programs, desktop entry, icons, metainfo, manual pages
#   install_check.sh manuals  BUILD PREFIX  the pages render cleanly and name every option of --help
#   install_check.sh desktop  BUILD PREFIX  desktop-file-validate passes without a remark
#   install_check.sh appstream BUILD PREFIX appstreamcli validate --no-net passes strictly
# Exit 77 (skipped) when the validator a check needs is not installed.
set -euo pipefail

step=$1
build=$2
prefix=$3
id=org.brelvik.brelvik
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

need() {
  command -v "$1" >/dev/null || { echo "$1 is not installed: skipped"; exit 77; }
}

# Width and height of a PNG, read from its IHDR chunk.
png_size() {
  local bytes
  bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' \n' ' ')
  read -r w1 w2 w3 w4 h1 h2 h3 h4 <<<"$bytes"
  echo "$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))x$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))"
}

case $step in
  setup)
    rm -rf "$prefix"
    "${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
    ;;

  layout)
    for f in bin/brelvik bin/brelvik-cli; do
      [ -x "$prefix/$f" ] || fail "$f is not an installed program"
    done
    for f in share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             share/icons/hicolor/scalable/apps/brelvik.svg \
             share/man/man1/brelvik.1 share/man/man1/brelvik-cli.1; do
      [ -s "$prefix/$f" ] || fail "$f is missing or empty"
    done
    for size in 16 24 32 48 64 128 256; do
      icon=$prefix/share/icons/hicolor/${size}x${size}/apps/brelvik.png
      if [ ! -s "$icon" ]; then
        fail "no ${size}x${size} icon"
      elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
        fail "the ${size}x${size} icon is $(png_size "$icon")"
      fi
    done
    grep -q '^Icon=brelvik$' "$prefix/share/applications/$id.desktop" ||
      fail "the desktop entry does not name the installed icon"
    ;;

  manuals)
    need man
    for program in brelvik brelvik-cli; do
      page=$prefix/share/man/man1/$program.1
      warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "$program.1 does not render"
      [ -z "$warnings" ] || fail "$program.1: $warnings"
      rendered=$(MANWIDTH=80 man -l "$page" 2>/dev/null | col -b)
      # Every option the program's help names, the page names too.
      for option in $("$prefix/bin/$program" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
        grep -qF -- "$option" <<<"$rendered" || fail "$program.1 does not mention $option"
      done
      grep -q '^SYNOPSIS' <<<"$rendered" || fail "$program.1 has no synopsis"
    done
    ;;

  desktop)
    need desktop-file-validate
    remarks=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) ||
      fail "desktop-file-validate failed"
    # Hints and warnings count too: a menu may show the entry twice.
    [ -z "$remarks" ] || fail "$remarks"
    ;;

  appstream)
    need appstreamcli
    appstreamcli validate --no-net --strict "$prefix/share/metainfo/$id.metainfo.xml" ||
      fail "the metainfo file does not validate"
    # The installed tree as a software centre reads it: metainfo, desktop
    # entry and icon together.
    appstreamcli validate-tree --no-net --strict "$prefix" || fail "the installed tree does not validate"
    ;;

  *)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ]
