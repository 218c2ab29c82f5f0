#!/usr/bin/env bash
# The test command: set-up, the host and Windows builds, and every suite (host unit tests,
# Windows tests and end-to-end scenarios under Wine, fuzz targets briefly on their corpora).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset host
cmake --build --preset host
ctest --preset host

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz

# The product is the 32-bit build. Its suites run under Wine where the kernel can execute
# 32-bit code; elsewhere the same sources built for 64-bit Windows run them instead.
cmake --preset windows
cmake --build --preset windows
. scripts/wine-env.sh
if wine_can_run_32bit; then
  ctest --preset windows
else
  echo "test: this kernel cannot run 32-bit programs; running the Windows suites on the 64-bit build" >&2
  cmake --preset windows64
  cmake --build --preset windows64
  ctest --preset windows64
fi
