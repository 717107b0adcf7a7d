#!/usr/bin/env bash
# Builds Vantyr, creates the demo account and carries 2004 into 2005 with
# both releases, each in a fresh data directory under demo-data/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for release in 8.50 8.61; do
  dir="demo-data/$release"
  rm -rf "$dir"
  echo "== release $release =="
  build/vantyr demo --data "$dir" --release "$release"
  build/vantyr check --data "$dir" --account 001 --year 2005 --release "$release" | tail -1
  build/vantyr carryover --data "$dir" --account 001 --year 2005 --release "$release" --yes \
    --trace "$dir/trace.jsonl" --json "$dir/summary.json"
  echo "trace: $dir/trace.jsonl"
done
