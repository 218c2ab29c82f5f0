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

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
