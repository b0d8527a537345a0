#!/usr/bin/env bash
# Takes a screenshot of the program on a fresh demo database under a virtual X server:
#   tools/screenshot.sh OUTPUT.png
# Needs xvfb and ImageMagick's "import".
set -euo pipefail
out=${1:?usage: tools/screenshot.sh OUTPUT.png}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp "$build/PARA.mdb" "$build/data.mdb" "$home/"
"$build/lanxi_dbtool" generate --catalog "$home/PARA.mdb" --default --name 示例数据库 \
  --products 60 --days 180 >/dev/null
export LANXI_HOME=$home XDG_RUNTIME_DIR=$home QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1180x800x24" bash -c "
  '$build/lanxi' & pid=\$!
  sleep 4
  import -window root -crop 1180x790+0+0 '$out'
  kill \$pid"
echo "wrote $out"
