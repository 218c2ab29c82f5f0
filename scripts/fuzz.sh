#!/usr/bin/env bash
# Long fuzzing runs: every fuzz target of the fuzz build, for RUNS executions each (default a
# million), under ASan and UBSan, starting from its checked-in corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-1000000}

bash scripts/setup.sh
cmake --preset fuzz
cmake --build --preset fuzz

# Each fuzz target registers one "<target>_corpus" test; its command line names the corpus.
ctest --preset fuzz --show-only=json-v1 > build/fuzz/tests.json
python3 - "$runs" <<'PY'
import json, subprocess, sys
runs = sys.argv[1]
tests = json.load(open("build/fuzz/tests.json"))["tests"]
failed = 0
for t in tests:
    cmd = t["command"]
    exe, corpus = cmd[0], cmd[-1]
    print(f"== {t['name']}: {runs} runs", flush=True)
    r = subprocess.run([exe, f"-runs={runs}", "-print_final_stats=1", cmd[-2], corpus])
    failed |= r.returncode != 0
sys.exit(1 if failed else 0)
PY
