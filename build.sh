#!/usr/bin/env bash
# 澜析产品销量跟踪软件 — build helper.
#
#   ./build.sh run     install what is missing, build, start the program
#   ./build.sh test    install what is missing, build, run every test (ctest arguments may follow,
#                      e.g. ./build.sh test -L unit)
#   ./build.sh build   install what is missing and build
#   ./build.sh bench   build and run the benchmarks (the first run of a day makes their database,
#                      2,000 products x 730 days, under BUILD_DIR/bench-data; LANXI_BENCH_DATA
#                      names a folder with such a database instead)
#   ./build.sh package build the Debian package BUILD_DIR/package/lanxi_VERSION_ARCH.deb; install
#                      it with: sudo apt-get install ./build/package/lanxi_*.deb
#
# Fuzzing (not part of "test"; the kept corpus is replayed by the tests): fuzz/run.sh [SECONDS]
#
# Environment: BUILD_DIR (default ./build), LANXI_HOME (the program folder used by "run",
# default ~/.local/share/lanxi).
set -euo pipefail

cd "$(dirname "$0")"
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-webengine-dev libgl-dev qt6-translations-l10n
  libsqlcipher-dev libssl-dev libturbojpeg0-dev libxlsxwriter-dev libgumbo-dev
  libgtest-dev libgmock-dev
  fonts-noto-cjk xvfb xauth x11-utils
  zlib1g-dev
  libqt6webenginecore6-bin
  # The Debian package and its test: CPack's dependency search, the package checkers.
  dpkg-dev file lintian desktop-file-utils appstream
)

say() { printf '\033[1m==> %s\033[0m\n' "$*"; }
die() { printf '\033[1;31mbuild.sh: %s\033[0m\n' "$*" >&2; exit 1; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    say "All build dependencies are installed"
    return
  fi
  command -v apt-get >/dev/null || die "apt-get not found; install these packages by hand: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "not root and no sudo; install these packages: ${missing[*]}"
    sudo=(sudo)
  fi
  say "Installing missing packages: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q || die "apt-get update failed"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" || die "apt-get install failed"
}

build() {
  install_packages
  say "Configuring in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON || die "CMake configuration failed"
  say "Building"
  cmake --build "$BUILD_DIR" --parallel "$(nproc)" || die "build failed"
}

runtime_env() {
  # Qt WebEngine refuses to start as root without this; Qt wants a private runtime folder.
  [ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="/tmp/lanxi-runtime-$(id -u)"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  fi
}

run_program() {
  local home=${LANXI_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/lanxi}
  mkdir -p "$home"
  export LANXI_HOME=$home
  say "Program folder: $LANXI_HOME"
  # The program copies the templates itself; the demo database needs them first.
  for f in PARA.mdb data.mdb; do
    [ -e "$home/$f" ] || cp "$BUILD_DIR/$f" "$home/$f"
  done
  "$BUILD_DIR/lanxi_dbtool" generate --catalog "$home/PARA.mdb" --if-empty --default \
    --name 示例数据库 --products 60 --days 180 || die "could not create the demo database"
  runtime_env
  say "Starting 澜析产品销量跟踪软件"
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    say "No display found: starting under a virtual X server (xvfb-run); nothing will be visible"
    export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "$BUILD_DIR/lanxi"
  fi
  exec "$BUILD_DIR/lanxi"
}

run_tests() {
  runtime_env
  say "Running the tests"
  # Widget and browser tests use Qt's offscreen platform, set per test; no X server is needed.
  ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" "$@" ||
    die "tests failed"
}

run_benchmarks() {
  say "Running the benchmarks"
  local found=0
  for b in "$BUILD_DIR"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    found=1
    say "$(basename "$b")"
    "$b" || die "$(basename "$b") failed"
  done
  [ $found -eq 1 ] || die "no benchmarks were built"
}

build_package() {
  say "Building the Debian package"
  rm -rf "$BUILD_DIR/package"
  cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$BUILD_DIR/package" || die "cpack failed"
  rm -rf "$BUILD_DIR/package/_CPack_Packages"
  local deb
  deb=$(ls "$BUILD_DIR"/package/*.deb) || die "cpack wrote no package"
  say "Package: $deb"
  say "Install it with: sudo apt-get install $deb"
}

cmd=${1:-}
[ $# -gt 0 ] && shift
case "$cmd" in
  run) build; run_program ;;
  test) build; run_tests "$@" ;;
  build) build ;;
  bench) build; run_benchmarks ;;
  package) build; build_package ;;
  *) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
