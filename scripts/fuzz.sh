#!/usr/bin/env bash
# Builds the libFuzzer harnesses and runs each for a bounded time (seconds
# per harness, default 20). Seeds: the saved regression inputs in
# fuzz/regressions/<harness>/ and the sample pictures in ../shared/corpus
# when present. Prints executions and findings per harness; exits non-zero
# when any harness found a crash, a leak or a hang (saved under
# build/fuzz-findings/<harness>/, to be added to fuzz/regressions).
#   bash scripts/fuzz.sh 600     # a longer local run: 10 minutes a harness
set -uo pipefail

seconds="${1:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
corpus="$(cd .. && pwd)/shared/corpus"

cmake --preset fuzz >build/configure-fuzz.log 2>&1 || { cat build/configure-fuzz.log; exit 1; }
cmake --build build/fuzz 2>&1 | tail -n 1

seed_patterns() {
  case "$1" in
    fuzz_bmp) echo "*.bmp" ;;
    fuzz_jpeg) echo "*.jpg *.jpeg" ;;
    fuzz_gif) echo "*.gif" ;;
    fuzz_pcx) echo "*.pcx" ;;
    fuzz_icon) echo "*.ico *.cur" ;;
    fuzz_kind) echo "*.bmp *.gif *.pcx *.ico *.cur *.jpg" ;;
    *) echo "" ;;
  esac
}

status=0
printf '%-12s %12s %10s\n' harness executions findings
for exe in build/fuzz/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  work="build/fuzz-corpus/$name"
  findings="build/fuzz-findings/$name"
  mkdir -p "$work" "$findings"
  [ -d "fuzz/regressions/$name" ] && cp -n fuzz/regressions/"$name"/* "$work"/ 2>/dev/null
  if [ -d "$corpus" ]; then
    for pattern in $(seed_patterns "$name"); do
      # Large samples only slow the fuzzer down; small ones cover the same paths.
      find "$corpus" -iname "$pattern" -size -64k -exec cp -n {} "$work"/ \; 2>/dev/null
    done
  fi
  case "$name" in
    fuzz_offset) printf '12.9' >"$work/seed1"; printf ' -3.7e2' >"$work/seed2"
                 printf '\xa3\xb1\xa3\xb2' >"$work/seed3" ;;
    fuzz_updown) printf '1000' >"$work/seed1"; printf ' -5' >"$work/seed2"; printf 'abc' >"$work/seed3" ;;
  esac
  log="build/fuzz-findings/$name.log"
  "$exe" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  execs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  found=$(find "$findings" -type f | wc -l)
  printf '%-12s %12s %10s\n' "$name" "${execs:-?}" "$found"
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    status=1
    grep -m3 -E 'ERROR|SUMMARY' "$log"
  fi
done
exit $status
