#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack, inspected with dpkg-deb, installed
# with dpkg, started once as a new user would (the start-up probe, a fresh HOME), checked with
# lintian, desktop-file-validate and appstreamcli, installed over itself and removed again; the
# user's data stays through both.
#
#   test_deb.sh BUILD_DIR VERSION
#
# It installs system-wide, so it runs as root only (otherwise it is skipped, status 77), one
# at a time on a machine, and never touches a lanxi package that was installed before it.
set -euo pipefail

build=${1:?usage: test_deb.sh BUILD_DIR VERSION}
version=${2:?usage: test_deb.sh BUILD_DIR VERSION}
app_id=cn.lanxi_soft.tracker

say() { printf '== %s\n' "$*"; }
skip() { printf 'SKIPPED: %s\n' "$*"; exit 77; }
fail() { printf 'FAILED: %s\n' "$*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "the package test installs the package system-wide; run it as root"
for tool in dpkg dpkg-deb dpkg-shlibdeps cpack lintian desktop-file-validate appstreamcli flock; do
  command -v "$tool" >/dev/null || fail "$tool is missing (./build.sh installs what the test needs)"
done

# One package test at a time on this machine (several working copies may run their tests).
mkdir -p /run/lock
exec 9>/run/lock/lanxi-package-test.lock
flock -w 1800 9 || fail "another package test held the lock for 30 minutes"

if dpkg-query -W -f='${Status}' lanxi 2>/dev/null | grep -q "install ok installed"; then
  skip "a lanxi package is installed on this machine already; the test would replace and then" \
    "remove it. Remove it first (apt-get remove lanxi) to run the test"
fi

work=$(mktemp -d /tmp/lanxi-package-test.XXXXXX)
installed=0
cleanup() {
  [ $installed -eq 0 ] || dpkg_locked --purge lanxi >/dev/null 2>&1 ||
    echo "WARNING: could not remove the package lanxi" >&2
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# dpkg with its arguments, waiting while another package manager holds dpkg's lock.
dpkg_locked() {
  local log=$work/dpkg.log
  for _ in $(seq 120); do
    dpkg "$@" >"$log" 2>&1 && { cat "$log"; return 0; }
    grep -Eq "frontend lock|database is locked" "$log" || break
    sleep 5
  done
  cat "$log"
  return 1
}

say "Building the package"
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(find "$work/deb" -maxdepth 1 -name "lanxi_${version}_*.deb" | head -n1)
[ -n "$deb" ] || { cat "$work/cpack.log"; fail "cpack wrote no lanxi_${version}_*.deb"; }
say "$(basename "$deb"): $(du -h "$deb" | cut -f1)"

say "Inspecting the package"
dpkg-deb --info "$deb"
[ "$(dpkg-deb --field "$deb" Package)" = lanxi ] || fail "the package is not named lanxi"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb --field "$deb" Depends)
# The libraries found by dpkg-shlibdeps, and what the program loads at run time.
for dep in libqt6widgets6 libqt6webenginecore6 libsqlcipher0 fonts-noto-cjk \
  libqt6webenginecore6-bin; do
  grep -Eq "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

dpkg-deb --contents "$deb" >"$work/contents"
# "type owner path" of each entry; links as "l root/root usr/bin/lanxi -> ../lib/lanxi/lanxi".
awk '{ p = $6; for (i = 7; i <= NF; ++i) p = p " " $i; sub(/^\.\//, "", p);
       print substr($1, 1, 1), $2, p }' "$work/contents" >"$work/entries"
expect_entry() {
  grep -qxF -e "$1" "$work/entries" || { cat "$work/entries"; fail "the package lacks: $1"; }
}
for f in lanxi PARA.mdb data.mdb userguide.txt; do expect_entry "- root/root usr/lib/lanxi/$f"; done
expect_entry "l root/root usr/bin/lanxi -> ../lib/lanxi/lanxi"
for f in "applications/$app_id.desktop" "icons/hicolor/scalable/apps/$app_id.svg" \
  "metainfo/$app_id.metainfo.xml" man/man1/lanxi.1.gz doc/lanxi/copyright; do
  expect_entry "- root/root usr/share/$f"
done
# The downloader goes with the program once the build makes it.
if [ -x "$build/采数器" ]; then
  expect_entry "- root/root usr/lib/lanxi/lanxi-downloader"
  expect_entry "l root/root usr/lib/lanxi/采数器 -> lanxi-downloader"
fi
grep -q '^-rwxr-xr-x .* \./usr/lib/lanxi/lanxi$' "$work/contents" ||
  fail "usr/lib/lanxi/lanxi is not an executable for everyone"
if grep -v ' \./usr/' "$work/contents" | grep -v ' \./$' | grep -q .; then
  fail "the package has files outside /usr: $(grep -v ' \./usr/' "$work/contents")"
fi

say "Checking the package with lintian"
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" ||
  fail "lintian found errors in the package"

say "Installing the package"
installed=1
if ! dpkg_locked -i "$deb"; then
  # Run-time dependencies missing on this machine: apt brings them and finishes the install.
  apt-get install -f -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 ||
    fail "the package's dependencies could not be installed"
fi
dpkg-query -W -f='${Status}' lanxi | grep -q "install ok installed" || fail "lanxi is not installed"

say "Checking the desktop entry and the AppStream metadata"
desktop=/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Name\[zh_CN\]=澜析产品销量跟踪软件' "$desktop" || fail "the desktop entry has no Chinese name"
grep -qx 'Categories=Office;Finance;' "$desktop" || fail "the desktop entry is not in Office;Finance"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli rejects the AppStream metadata"

say "Starting the installed program"
out=$(env -i PATH=/usr/bin:/bin /usr/bin/lanxi --version) || fail "lanxi --version failed"
[ "$out" = "澜析产品销量跟踪软件 $version" ] || fail "lanxi --version printed: $out"
env -i PATH=/usr/bin:/bin /usr/bin/lanxi --help | grep -q LANXI_HOME ||
  fail "lanxi --help does not name LANXI_HOME"

home=$work/home
folder=$home/.local/share/lanxi
mkdir -p "$home" "$work/run"
chmod 700 "$work/run"
stamp=$work/stamp
touch "$stamp"
sleep 1
# As a new user starts it from the menu: nothing set but HOME and a display (here offscreen).
start_program() {
  local status=0
  env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=offscreen LANXI_STARTUP_PROBE=1 \
    timeout 300 /usr/bin/lanxi >"$work/out" 2>"$work/err" || status=$?
  [ $status -eq 0 ] || { cat "$work/err"; fail "the installed program ended with status $status"; }
  grep -q first-paint "$work/out" || { cat "$work/err"; fail "the main window was not painted"; }
}
start_program
for f in PARA.mdb data.mdb; do
  [ -f "$folder/$f" ] || fail "the first start did not put $f into $folder"
done
cmp -s "$folder/data.mdb" /usr/lib/lanxi/data.mdb || fail "$folder/data.mdb is not the shipped template"
shopt -s nullglob
databases=("$folder"/DB*.mdb)
[ ${#databases[@]} -eq 1 ] || fail "the first start made ${#databases[@]} demo databases: $(ls "$folder")"
[ "$(stat -c %a "$folder")" = 700 ] || fail "$folder is not the user's own (mode $(stat -c %a "$folder"))"
# The catalogue lists the demo database (read from a copy: the tool would fill an empty one).
cp "$folder/PARA.mdb" "$work/PARA-copy.mdb"
"$build/lanxi_dbtool" generate --catalog "$work/PARA-copy.mdb" --if-empty | grep -q "lists 1 database" ||
  fail "the catalogue does not list the demo database"
sum=$(md5sum "${databases[0]}" | cut -d' ' -f1)

if [ -e /usr/lib/lanxi/采数器 ]; then
  # The downloader starts by the name the program calls it by.
  env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=offscreen timeout 120 /usr/lib/lanxi/采数器 --help >"$work/dl-help" 2>&1 ||
    { cat "$work/dl-help"; fail "the installed 采数器 --help failed"; }
  grep -q -- --headless "$work/dl-help" || { cat "$work/dl-help"; fail "采数器 --help names no --headless"; }
fi

say "Checking that nothing was written under /usr"
verify=$(dpkg --verify lanxi) || true
[ -z "$verify" ] || fail "installed files changed: $verify"
dpkg -L lanxi | grep '^/usr/lib/lanxi/' | sort >"$work/packaged"
find /usr/lib/lanxi -mindepth 1 | sort >"$work/present"
cmp -s "$work/packaged" "$work/present" ||
  fail "files appeared in /usr/lib/lanxi: $(comm -13 "$work/packaged" "$work/present")"
if written=$(find /usr/lib/lanxi /usr/share/doc/lanxi -newer "$stamp" | grep .); then
  fail "written under /usr while the program ran: $written"
fi

say "Installing over the installed package and starting again"
dpkg_locked -i "$deb" >/dev/null || fail "installing over the installed package failed"
[ "$(md5sum "${databases[0]}" | cut -d' ' -f1)" = "$sum" ] ||
  fail "installing over the package changed the user's database"
start_program
databases=("$folder"/DB*.mdb)
[ ${#databases[@]} -eq 1 ] || fail "the second start made another database: $(ls "$folder")"

say "Removing the package"
dpkg_locked --purge lanxi >/dev/null || fail "the package could not be removed"
installed=0
[[ ! -e /usr/bin/lanxi && ! -e /usr/lib/lanxi ]] || fail "files of the package stayed after removal"
[[ -f $folder/PARA.mdb && -f ${databases[0]} ]] ||
  fail "removing the package took the user's data with it"
say "The package builds, installs, starts, passes lintian and removes cleanly"
