#!/usr/bin/env bash
# A plain file larger than memory should be: GIB gibibytes of 43-byte lines with one "quorum" each
# (4 GiB: 99.9 million matches), replaced by "senate" by the streamed floor, GNU sed and the engine
# (bench_engine, which streams any plain file above 64 MB). Each command gets a fresh copy of the
# file (copied and synced outside the timing), caches warm; prints wall time, peak memory (maximum
# resident set) and whether the result is the same bytes as sed's.
#   bench/large_file.sh [GIB] [ROUNDS]        # defaults 4 1; needs about 3 x GIB of free disk
set -euo pipefail
cd "$(dirname "$0")/.."
GIB=${1:-4}
ROUNDS=${2:-1}
ROOT=${BENCH_ROOT:-/tmp/textmend-large}
FLOOR=$ROOT/floor
mkdir -p "$ROOT"
[ -x "$FLOOR" ] || g++ -O2 -std=c++17 -o "$FLOOR" /work/shared/bench/floor.cpp
PRISTINE=$ROOT/pristine-$GIB.txt
if [ ! -f "$PRISTINE" ]; then
  python3 - "$PRISTINE" "$GIB" <<'PY'
import sys
unit = b"a quorum of members met at noon today, ok.\n"
total, block, n = int(sys.argv[2]) << 30, unit * 24385, 0
with open(sys.argv[1], "wb") as f:
    while n + len(block) <= total:
        f.write(block); n += len(block)
    f.write(unit * ((total - n) // len(unit)))
PY
fi
run() { # NAME COMMAND...
  local name=$1; shift
  rm -f "$ROOT/work.txt"; cp "$PRISTINE" "$ROOT/work.txt"; sync
  /usr/bin/time -f "%e %M" -o "$ROOT/time.txt" "$@" >/dev/null 2>"$ROOT/err.txt" || { cat "$ROOT/err.txt"; return 1; }
  read -r seconds kib <"$ROOT/time.txt"
  local digest; digest=$(md5sum <"$ROOT/work.txt" | cut -c1-8)
  printf '%-28s %8.2f s %8d MB  %s\n' "$name" "$seconds" $((kib / 1024)) "$digest"
}
printf '%-28s %10s %11s  %s\n' "command ($GIB GiB)" "time" "peak" "digest"
for ((round = 0; round < ROUNDS; ++round)); do
  run "floor --stream" "$FLOOR" --stream quorum senate "$ROOT/work.txt"
  run "sed -i" sed -i 's/quorum/senate/g' "$ROOT/work.txt"
  run "LC_ALL=C sed -i" env LC_ALL=C sed -i 's/quorum/senate/g' "$ROOT/work.txt"
  run "textmend engine" build/bench/bench_engine quorum senate "$ROOT/work.txt"
  run "textmend engine, whole word" build/bench/bench_engine --whole-word quorum senate "$ROOT/work.txt"
  run "textmend engine, any case" build/bench/bench_engine --ignore-case quorum senate "$ROOT/work.txt"
done
rm -f "$ROOT/work.txt"
