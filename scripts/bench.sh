#!/usr/bin/env bash
# The speed and memory benchmark, in one command:
#
#   bash scripts/bench.sh
#
# Installs what is missing (the project's packages, ImageMagick 6 and
# libvips' tools from Debian), builds the benchmark's Windows programs and
# its native helpers, generates the input pictures once (cached outside the
# repository), then for every case (three scales, JPEG and BMP, horizontal
# and vertical) times the join under Wine phase by phase, ImageMagick,
# libvips, the floor and "direct" (see bench/floor.cpp) on the same inputs,
# checks that every output has the same pixels, and prints the tables.
#
# Settings (environment):
#   PICJOIN_BENCH_SCALES  scales of the first picture (default
#                         "640x480 4000x3000 8000x6000"); the second is 90%
#                         as wide and 80% as high
#   PICJOIN_BENCH_CACHE   where generated inputs and scratch outputs live
#                         (default ~/.cache/picjoin-bench)
#   PICJOIN_BENCH_BUILD   build folders' stem (default build/bench: gives
#                         build/bench-win32, -win64, -host and -results)
#   PICJOIN_WINEPREFIX, PICJOIN_WINE_ARCH   as for the other scripts
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
started=$(date +%s)

scales=${PICJOIN_BENCH_SCALES:-"640x480 4000x3000 8000x6000"}
cache=${PICJOIN_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/picjoin-bench}
stem=${PICJOIN_BENCH_BUILD:-build/bench}
case "$stem" in /*) ;; *) stem="$root/$stem" ;; esac
hostdir="$stem-host"
results="$stem-results"

step() { printf '\n==> %s\n' "$*"; }

# Runs at each scale: fewer where one run takes seconds.
runs_for() {  # WxH
  local w=${1%x*} h=${1#*x}
  if [ $((w * h)) -ge 20000000 ]; then echo 3; else echo 5; fi
}

# ---- Packages ----------------------------------------------------------------
step "Packages"
bash scripts/install-deps.sh
need=()
command -v convert-im6.q16 >/dev/null 2>&1 || need+=(imagemagick)
command -v vips >/dev/null 2>&1 || need+=(libvips-tools)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${need[*]}; run as root or install them with apt-get" >&2
    exit 1
  fi
  echo "Installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null ||
    { apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null; }
fi
# On these machines a plain `convert` on the PATH may be a stand-in.
imagemagick=$(command -v convert-im6.q16)
echo "ImageMagick: $("$imagemagick" -version | head -n 1)"
echo "libvips:     $(vips --version)"

source scripts/wine-env.sh
measured=$PICJOIN_WINE_ARCH  # win32, or win64 where 32-bit code cannot run

# ---- Builds --------------------------------------------------------------------
step "Builds (both Windows builds; the $measured one is measured)"
bash scripts/build-libjpeg-mingw.sh i686
bash scripts/build-libjpeg-mingw.sh x86_64
mkdir -p "$results"
for preset in win32 win64; do
  dir="$stem-$preset"
  if ! cmake --preset "$preset" -B "$dir" >"$results/configure-$preset.log" 2>&1 ||
     ! cmake --build "$dir" --target join_bench bench_floor >"$results/build-$preset.log" 2>&1; then
    tail -n 30 "$results/configure-$preset.log" "$results/build-$preset.log" 2>/dev/null
    echo "bench: the $preset build failed" >&2
    exit 1
  fi
  echo "$preset: $dir/bench/join_bench.exe, $dir/bench/bench_floor.exe"
done
bench_dir="$stem-$measured/bench"

mkdir -p "$hostdir"
for tool in gen_inputs compare_bmp time_run touch_probe; do
  src="bench/host/$tool.cpp"
  if [ ! -x "$hostdir/$tool" ] || [ "$src" -nt "$hostdir/$tool" ]; then
    libs=()
    [ "$tool" = gen_inputs ] && libs=(-ljpeg)
    g++ -O2 -std=c++17 -Wall -Wextra -o "$hostdir/$tool" "$src" "${libs[@]}"
  fi
done

# ---- Inputs (cached; a new generator gives a new folder) ----------------------
step "Inputs"
inputs="$cache/inputs-$(sha256sum bench/host/gen_inputs.cpp | cut -c1-12)"
mkdir -p "$inputs"
second_size() {  # WxH -> the second picture's size
  local w=${1%x*} h=${1#*x}
  echo "$((w * 9 / 10))x$((h * 8 / 10))"
}
for scale in $scales; do
  for size in "$scale:1" "$(second_size "$scale"):2"; do
    s=${size%:*} seed=${size#*:}
    if [ ! -f "$inputs/$s-$seed.jpg" ] || [ ! -f "$inputs/$s-$seed.bmp" ]; then
      echo "generating $s (seed $seed)"
      "$hostdir/gen_inputs" "$inputs/$s-$seed" "${s%x*}" "${s#*x}" "$seed"
    fi
  done
done
echo "in $inputs"

# ---- Runs ------------------------------------------------------------------------
scratch="$cache/work"
rm -rf "$scratch" "$results"/case-*
mkdir -p "$scratch" "$results"
export MAGICK_CONFIGURE_PATH="$root/bench/imagemagick"
"$imagemagick" -list resource | grep -q 'Memory: 8GiB' ||
  { echo "bench: ImageMagick did not take bench/imagemagick/policy.xml" >&2; exit 1; }

picjoin_ensure_prefix
picjoin_start_xvfb
cleanup() { picjoin_stop_wineserver; picjoin_stop_xvfb; }
trap cleanup EXIT
picjoin_start_wineserver

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
flatten() {  # a report of key=value lines -> one line, without medians and run numbers
  tr -d '\r' <"$1" | sed -e '/^median_/d' -e '/^runs=/d' -e '/^ok=/d' -e 's/^run=[0-9]* //' | tr '\n' ' '
}
compare() {  # ours theirs -> "maxdiff=N,differing=M" or "mismatch:why"
  local line
  if line=$("$hostdir/compare_bmp" "$1" "$2"); then echo "${line#* }" | tr ' ' ','; else echo "mismatch:$line" | tr ' ' '_'; fi
}
fail() { echo; echo "bench: $1 failed on $name:"; cat "$2" 2>/dev/null | tail -n 20; exit 1; }

# One run of one program on the current case. Every run is its own process,
# so each of ours starts as a user's first join does and its peak memory is
# that run's alone.
run_tool() {  # tool run
  local tool=$1 run=$2 time="$dir/$1-$2.time" log="$dir/$1.log" report="$dir/$1-$2.txt"
  case "$tool" in
    ours)
      "$hostdir/time_run" 1 "$log" -- env LC_ALL=zh_CN.UTF-8 "$WINELOADER" \
        "$bench_dir/join_bench.exe" "$(winpath "$a")" "$(winpath "$b")" "$arrangement" 1 \
        "$(winpath "$ours")" "$(winpath "$report")" >"$time" || fail join_bench "$log"
      ;;
    floor)
      "$hostdir/time_run" 1 "$log" -- env LC_ALL=zh_CN.UTF-8 "$WINELOADER" \
        "$bench_dir/bench_floor.exe" "$(winpath "$a")" "$(winpath "$b")" "$bytes" 1 \
        "$(winpath "$scratch/floor.bin")" "$(winpath "$report")" >"$time" || fail bench_floor "$log"
      ;;
    direct)
      "$hostdir/time_run" 1 "$log" -- env LC_ALL=zh_CN.UTF-8 "$WINELOADER" \
        "$bench_dir/bench_floor.exe" "$(winpath "$a")" "$(winpath "$b")" "$bytes" 1 \
        "$(winpath "$direct_out")" "$(winpath "$report")" "$arrangement" >"$time" || fail "bench_floor (direct)" "$log"
      ;;
    imagemagick)
      rm -f "$im"
      "$hostdir/time_run" 1 "$log" -- "$imagemagick" "$a" "$b" -background white "${im_args[@]}" \
        -type TrueColor "BMP3:$im" >"$time" || fail ImageMagick "$log"
      : >"$report"
      ;;
    vips)
      rm -f "$vips_out"
      "$hostdir/time_run" 1 "$log" -- vips join "$a" "$b" "$vips_out[format=bmp3]" "$vips_dir" \
        --expand --background '255 255 255' >"$time" || fail vips "$log"
      : >"$report"
      ;;
  esac
  printf 'case=%s tool=%s run=%s %s %s\n' "$name" "$tool" "$run" "$(tr '\n' ' ' <"$time")" \
    "$(flatten "$report")" >>"$runs_file"
}

# Size of the joined BMP file (offset 0), for the floor's write.
joined_bytes() {  # first second arrangement
  local w1=${1%x*} h1=${1#*x} w2=${2%x*} h2=${2#*x} w h
  if [ "$3" = h ]; then w=$((w1 + w2)) h=$((h1 > h2 ? h1 : h2)); else w=$((w1 > w2 ? w1 : w2)) h=$((h1 + h2)); fi
  echo $((54 + (24 * w + 31) / 32 * 4 * h))
}

runs_file="$results/runs.txt"
: >"$runs_file"
probe=$("$hostdir/touch_probe")
tools=(ours imagemagick vips floor direct)
for scale in $scales; do
  runs=$(runs_for "$scale")
  second=$(second_size "$scale")
  for format in jpg bmp; do
    a="$inputs/$scale-1.$format"
    b="$inputs/$second-2.$format"
    for arrangement in h v; do
      name="$scale-$format-$arrangement"
      dir="$results/case-$name"
      mkdir -p "$dir"
      printf '%-18s' "$name"
      ours="$scratch/ours.bmp" im="$scratch/imagemagick.bmp" vips_out="$scratch/vips.bmp"
      direct_out="$scratch/direct.bmp"
      bytes=$(joined_bytes "$scale" "$second" "$arrangement")
      if [ "$arrangement" = h ]; then
        im_args=(-gravity north +append) vips_dir=horizontal
      else
        im_args=(-gravity west -append) vips_dir=vertical
      fi
      printf 'case=%s tool=case scale=%s format=%s arrangement=%s runs=%s bytes=%s\n' \
        "$name" "$scale" "$format" "$arrangement" "$runs" "$bytes" >>"$runs_file"
      # Runs interleaved, and each round in another order, so that no program
      # always follows the same one (what ran before changes how much memory
      # is warm, and this machine is shared).
      for run in $(seq 1 "$runs"); do
        for k in "${!tools[@]}"; do
          run_tool "${tools[$(( (k + run - 1) % ${#tools[@]} ))]}" "$run"
        done
        printf ' %s' "$run"
      done
      printf 'case=%s tool=compare diff_im=%s diff_vips=%s diff_direct=%s\n' "$name" \
        "$(compare "$ours" "$im")" "$(compare "$ours" "$vips_out")" "$(compare "$ours" "$direct_out")" \
        >>"$runs_file"
      printf ' compared\n'
      rm -f "$ours" "$im" "$vips_out" "$direct_out" "$scratch/floor.bin"
    done
  done
done

probe="$probe $(echo "$("$hostdir/touch_probe")" | sed 's/\([a-z_]*\)=/after_\1=/g')"

# ---- Table ---------------------------------------------------------------------
elapsed=$(( $(date +%s) - started ))
python3 bench/report.py "$runs_file" "$elapsed" "$probe" | tee "$results/table.txt"
echo "(raw results: $results)"
