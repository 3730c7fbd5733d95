#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (in build-fuzz) and runs one of them:
#   scripts/fuzz.sh rtf|plaintext|patterns|packages [SECONDS] [libFuzzer options...]
# Inputs that reach new code are kept in build-fuzz/corpus/<target>; an input that fails is written
# to build-fuzz/crashes/<target>/. Commit a failing input to tests/fuzz/crashes/<target>/ with its
# fix, so that ctest replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

target=${1:?usage: scripts/fuzz.sh rtf|plaintext|patterns|packages [SECONDS] [libFuzzer options...]}
seconds=${2:-600}
shift $(($# < 2 ? $# : 2))
BUILD_DIR=build-fuzz
CONFIGURE_ARGS=(-DCMAKE_CXX_COMPILER=clang++ -DTEXTMEND_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g")
install_packages clang libclang-rt-14-dev
build --target "fuzz_$target"

seeds=tests/fuzz/corpus/$target
crashes=tests/fuzz/crashes/$target
options=(-max_total_time="$seconds" -timeout=10 -max_len=16384 -artifact_prefix="$BUILD_DIR/crashes/$target/")
[ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
# A Word or OpenDocument seed is a whole ZIP archive of some 10 to 35 KB.
[ "$target" = packages ] && options+=(-max_len=65536)
mkdir -p "$BUILD_DIR/corpus/$target" "$BUILD_DIR/crashes/$target"
folders=("$BUILD_DIR/corpus/$target" "$seeds")
[ -d "$crashes" ] && folders+=("$crashes")
exec "$BUILD_DIR/tests/fuzz/fuzz_$target" "${options[@]}" "$@" "${folders[@]}"
