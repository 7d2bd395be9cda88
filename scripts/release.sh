#!/usr/bin/env bash
# Makes dist/picjoin-VERSION.zip: picjoin.exe, a readme for users and the
# licence. Reproducible: the exe carries no link timestamp and the zip has
# fixed dates, a fixed file order and no extra attributes, so two runs give
# byte-identical zips.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
version=$(sed -n 's/^project(picjoin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

bash scripts/install-deps.sh
bash scripts/build-libjpeg-mingw.sh i686
mkdir -p build
cmake --preset win32 >build/configure-win32.log 2>&1 || { cat build/configure-win32.log; exit 1; }
cmake --build build/win32 --target picjoin | tail -n 1

stage="build/release/picjoin-$version"
rm -rf "$stage"
mkdir -p "$stage" dist
cp build/win32/picjoin.exe "$stage/picjoin.exe"  # linked stripped, without a timestamp
# Windows readers expect CRLF line ends in text files.
sed 's/$/\r/' release/README-users.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE.txt >"$stage/LICENSE.txt"
touch -d '2026-01-01 00:00:00 UTC' "$stage" "$stage"/*

zipfile="$root/dist/picjoin-$version.zip"
rm -f "$zipfile"
(cd build/release && TZ=UTC zip -X -q "$zipfile" "picjoin-$version/picjoin.exe" \
  "picjoin-$version/README.txt" "picjoin-$version/LICENSE.txt")
sha256sum "$zipfile"
