#!/usr/bin/env bash
# Benchmarks, outside the test command: payload extraction against a bare inflate-and-write loop
# with peak memory and the bytes start-up reads (LARGE=1 adds the 1 GB payload), and RCT decoding
# against the byte-by-byte reference.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset host
cmake --build --preset host --target bench_extract rct_decode_benchmark

if [ "${LARGE:-0}" = 1 ]; then
  build/host/bench_extract --large
else
  build/host/bench_extract
fi
build/host/rct_decode_benchmark --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
