#!/usr/bin/env bash
# Checks the Debian package that `cpack -G DEB` makes of the build, in a
# scratch folder of its own (CPack's output and staging too, so nothing in the
# build tree is written by two tests at once):
#   deb_check.sh build    BUILD SCRATCH PREFIX  make the package, unpack it with dpkg -x
#   deb_check.sh control  BUILD SCRATCH PREFIX  name, version, section, maintainer, descriptions, Depends
#   deb_check.sh contents BUILD SCRATCH PREFIX  what `cmake --install` put in PREFIX, under /usr, root:root
#   deb_check.sh files    BUILD SCRATCH PREFIX  the copyright file's format, the changelog's version
#   deb_check.sh run      BUILD SCRATCH PREFIX  both programs run from the unpacked tree
#   deb_check.sh lintian  BUILD SCRATCH PREFIX  no error, no warning beyond those the README keeps
#                                               (lintian also judges compression and stripping)
# VERSION (the package's, such as 2.0.3-1) and CPACK come from the environment.
# Exit 77 (skipped) when dpkg-deb, or the tool a step needs, is not installed.
set -euo pipefail

command -v dpkg-deb >/dev/null || { echo "dpkg-deb is not installed: skipped"; exit 77; }

step=$1
build=$2
scratch=$3
prefix=$4
: "${VERSION:?the package version, such as 2.0.3-1}"
upstream=${VERSION%-*}
root=$scratch/root
failures=0

# The warnings the README lists under "Debian package", with the reason each
# is kept; any other warning fails the lintian step.
kept_warnings=(
  initial-upload-closes-no-bugs
)

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

need() {
  command -v "$1" >/dev/null || { echo "$1 is not installed: skipped"; exit 77; }
}

package() {
  local debs=("$scratch"/cpack/*.deb)
  if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "no single package in $scratch/cpack" >&2
    exit 1
  fi
  echo "${debs[0]}"
}

case $step in
  build)
    rm -rf "$scratch"
    mkdir -p "$scratch"
    if ! "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/cpack" \
        >"$scratch/cpack.log" 2>&1; then
      cat "$scratch/cpack.log" >&2
      fail "cpack -G DEB failed"
    else
      deb=$(package)
      arch=$(dpkg --print-architecture)
      [ "$(basename "$deb")" = "brelvik_${VERSION}_${arch}.deb" ] ||
        fail "the package is named $(basename "$deb"), not brelvik_${VERSION}_${arch}.deb"
      dpkg -x "$deb" "$root"
    fi
    ;;

  control)
    deb=$(package)
    control=$(dpkg-deb --info "$deb" control)
    field() { sed -n "s/^$1: //p" <<<"$control"; }
    [ "$(field Package)" = brelvik ] || fail "Package is $(field Package)"
    [ "$(field Version)" = "$VERSION" ] || fail "Version is $(field Version), not $VERSION"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
    [ "$(field Section)" = video ] || fail "Section is '$(field Section)', not video"
    [ "$(field Priority)" = optional ] || fail "Priority is '$(field Priority)'"
    grep -qE '^Maintainer: [^<]+ <[^@ ]+@[^> ]+>$' <<<"$control" || fail "no maintainer with an address"
    [ "$(field Homepage)" = https://brelvik.org ] || fail "Homepage is '$(field Homepage)'"
    summary=$(field Description)
    [ -n "$summary" ] || fail "no short description"
    long=$(sed -n '/^Description:/,/^[^ ]/{/^ /p}' <<<"$control" | wc -l)
    [ "$long" -ge 3 ] || fail "the long description has $long lines"
    depends=$(field Depends)
    if [ -z "$depends" ]; then
      fail "no Depends: dpkg-shlibdeps did not run"
    else
      # Every library the programs load comes from a runtime package.
      dev=$(printf '%s\n' "${depends//[,|]/$'\n'}" | sed 's/(.*//; s/ //g' | grep -E -- '-dev$' || true)
      [ -z "$dev" ] || fail "Depends names development packages: $dev"
      # Some of the libraries the programs load, as dpkg-shlibdeps names them.
      for lib in 'libc6' 'libstdc\+\+6' 'libcurl[34]' 'libicu[0-9]+' 'libpugixml[0-9a-z]+' \
                 'libexpat1' 'libqt6widgets6'; do
        grep -qE "(^|, )$lib( |,|\$)" <<<"$depends" || fail "Depends names no $lib: $depends"
      done
    fi
    members=$(dpkg-deb --info "$deb")
    grep -qE '^ +[0-9]+ bytes, +[0-9]+ lines +md5sums' <<<"$members" || fail "no md5sums"
    ;;

  contents)
    deb=$(package)
    listing=$(dpkg-deb --contents "$deb")
    # Owner and group root, 0755 folders and programs, 0644 for the rest.
    while read -r mode owner _ _ _ path _; do
      [ "$owner" = root/root ] || fail "$path is owned by $owner"
      case $path in
        */) want=drwxr-xr-x ;;
        ./usr/bin/*) want=-rwxr-xr-x ;;
        *) want=-rw-r--r-- ;;
      esac
      [ "$mode" = "$want" ] || fail "$path is $mode, not $want"
    done <<<"$listing"
    grep -qE ' \./usr/$' <<<"$listing" || fail "nothing under /usr"
    # Exactly what `cmake --install` installs, the manual pages gzipped,
    # and Debian's two files besides.
    expected=$(cd "$prefix" && find . ! -type d | sed -E 's|^\./|./usr/|; s|(/man/man[1-9]/[^/]+\.[1-9])$|\1.gz|'
               printf '%s\n' ./usr/share/doc/brelvik/copyright ./usr/share/doc/brelvik/changelog.Debian.gz)
    actual=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing")
    difference=$(diff <(sort <<<"$expected") <(sort <<<"$actual") || true)
    [ -z "$difference" ] || fail "the package differs from the installed tree (< installed, > package):
$difference"
    ;;

  files)
    [ -d "$root/usr" ] || { echo "the package was not unpacked" >&2; exit 1; }
    doc=$root/usr/share/doc/brelvik
    head -n1 "$doc/copyright" |
      grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
      fail "the copyright file is not in the machine-readable format"
    grep -q '^Files: \*$' "$doc/copyright" || fail "the copyright file has no paragraph for all files"
    top=$(gzip -dc "$doc/changelog.Debian.gz" | head -n1)
    [[ $top == "brelvik ($VERSION) "* ]] || fail "the changelog's latest entry is '$top'"
    ;;

  run)
    [ -d "$root/usr" ] || { echo "the package was not unpacked" >&2; exit 1; }
    # The system's libraries only, as on a user's machine.
    said=$(env -u LD_LIBRARY_PATH "$root/usr/bin/brelvik-cli" --version) ||
      fail "brelvik-cli --version failed"
    [ "$said" = "brelvik-cli $upstream" ] || fail "brelvik-cli --version says '$said'"
    said=$(env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen "$root/usr/bin/brelvik" --version) ||
      fail "brelvik --version failed"
    [ "$said" = "brelvik $upstream" ] || fail "brelvik --version says '$said'"
    rows=$(env -u LD_LIBRARY_PATH "$root/usr/bin/brelvik-cli" load mailru --skip-probe --format tsv | wc -l) ||
      fail "brelvik-cli load mailru --skip-probe failed"
    [ "$rows" -gt 10 ] || fail "brelvik-cli load mailru --skip-probe printed $rows lines"
    ;;

  lintian)
    need lintian
    deb=$(package)
    # The tags are judged below, so a non-zero status means lintian failed.
    status=0
    report=$(lintian --no-cfg --fail-on none "$deb" 2>&1) || status=$?
    echo "$report"
    [ "$status" -eq 0 ] || fail "lintian failed with status $status"
    errors=$(grep -E '^E: ' <<<"$report" || true)
    [ -z "$errors" ] || fail "lintian reports errors"
    while read -r tag; do
      [ -n "$tag" ] || continue
      printf '%s\n' "${kept_warnings[@]}" | grep -qx "$tag" ||
        fail "lintian warns $tag, which the README does not keep"
    done < <(sed -nE 's/^W: [^ ]+: ([^ ]+).*/\1/p' <<<"$report" | sort -u)
    ;;

  *)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac

[ "$failures" -eq 0 ]
