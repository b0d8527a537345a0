#!/usr/bin/env bash
# Builds the capture fuzz target with clang and libFuzzer and runs it.
#   fuzz/run.sh [SECONDS]     default 600; new inputs go to build-fuzz/corpus
# Inputs worth keeping are merged into fuzz/corpus afterwards with
#   build-fuzz/capture_fuzzer -merge=1 fuzz/corpus build-fuzz/corpus
# (the unit test capture_fuzz_replay replays fuzz/corpus on every test run).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
# The fuzzer needs clang and its runtime; the ordinary build and tests do not.
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { echo "fuzz/run.sh: installing $p"; apt-get install -y -q --no-install-recommends "$p"; }
done
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j2
mkdir -p build-fuzz/corpus
exec build-fuzz/capture_fuzzer -max_total_time="$seconds" -max_len=8192 -timeout=10 \
  -rss_limit_mb=2048 -dict=fuzz/capture.dict -print_final_stats=1 \
  build-fuzz/corpus fuzz/corpus
