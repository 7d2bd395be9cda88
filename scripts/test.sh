#!/usr/bin/env bash
# Builds everything and runs every test: native (plain and with sanitizers),
# a bounded fuzz run, and the Windows tests under Wine on a private X display.
# Installs what is missing first. Ends with a summary of what passed.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh || exit 1
source scripts/wine-env.sh

step() { printf '\n==> %s\n' "$*"; }
declare -a summary=()
failed=0
tests_passed=0
tests_failed=0
tests_skipped=0
# Runs ctest with the given arguments and adds its counts to the totals.
run_ctest() {
  local log
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local failed total
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    local skipped
    skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)' "$log")
    tests_failed=$((tests_failed + failed))
    tests_skipped=$((tests_skipped + skipped))
    tests_passed=$((tests_passed + total - failed - skipped))
  fi
  rm -f "$log"
  return "$rc"
}
record() {  # name, exit code
  if [ "$2" -eq 0 ]; then summary+=("PASS  $1"); else summary+=("FAIL  $1"); failed=1; fi
}

build_preset() {  # preset
  cmake --preset "$1" >"build/configure-$1.log" 2>&1 || { cat "build/configure-$1.log"; return 1; }
  if cmake --build "build/$1" >"build/build-$1.log" 2>&1; then
    tail -n 1 "build/build-$1.log"
  else
    grep -E -A5 'error|FAILED' "build/build-$1.log" | head -n 60
    return 1
  fi
}

mkdir -p build
step "libjpeg-turbo for MinGW (built once)"
bash scripts/build-libjpeg-mingw.sh i686 || exit 1
[ "$PICJOIN_WINE_ARCH" = win64 ] && { bash scripts/build-libjpeg-mingw.sh x86_64 || exit 1; }

step "Native build and tests"
build_preset native && run_ctest --test-dir build/native --output-on-failure --no-tests=error -j2
record "native tests" $?

step "Native tests with AddressSanitizer and UndefinedBehaviorSanitizer"
build_preset native-asan && run_ctest --test-dir build/native-asan --output-on-failure --no-tests=error -j2
record "native tests (ASan+UBSan)" $?

if [ -x scripts/fuzz.sh ]; then
  step "Bounded fuzz run"
  bash scripts/fuzz.sh "${PICJOIN_FUZZ_SECONDS:-20}"
  record "fuzzing" $?
fi

step "32-bit Windows build (the product)"
build_preset win32
record "win32 build (picjoin.exe)" $?

test_preset=win32
if [ "$PICJOIN_WINE_ARCH" = win64 ]; then
  echo "This machine cannot run 32-bit code (ia32 emulation is off in its kernel):"
  echo "the Windows tests run the 64-bit build of the same sources under 64-bit Wine."
  test_preset=win64
  step "64-bit Windows build (for the tests)"
  build_preset win64
  record "win64 build" $?
fi

step "Windows tests under Wine ($PICJOIN_WINE_ARCH)"
picjoin_ensure_prefix
picjoin_start_xvfb || exit 1
picjoin_start_wineserver
bash scripts/fault-mounts.sh setup
# Windows path of the fault tests' small filesystems (Wine maps Z: to /).
export PICJOIN_FAULT_DIR="Z:${root//\//\\}\\build\\fault"
run_ctest --test-dir "build/$test_preset" --output-on-failure --no-tests=error -j1
record "Windows tests under Wine ($test_preset)" $?
bash scripts/fault-mounts.sh teardown
picjoin_stop_wineserver
picjoin_stop_xvfb

step "Summary"
printf '%s\n' "${summary[@]}"
pass=0; fail=0
for s in "${summary[@]}"; do case "$s" in PASS*) pass=$((pass+1));; *) fail=$((fail+1));; esac; done
echo "suites: $pass passed, $fail failed"
echo "tests: $tests_passed passed, $tests_failed failed, $tests_skipped skipped"
exit $failed
