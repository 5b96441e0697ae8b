#!/usr/bin/env bash
# The ctest entry bench_quick: runs KivoBench --quick under Wine and checks that
# it ended with 0 and that the JSON it wrote parses and holds figures.
#   run-quick.sh WINE_RUN STATE_DIR KivoBench.exe OUTPUT.json
set -euo pipefail
wine_run=$1; state=$2; bench=$3; json=$4
rm -f "$json"
cd "$(dirname "$json")"
"$wine_run" "$state" "$bench" --quick --json "$(basename "$json")"
python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); sys.exit(0 if d["figures"] else 1)' "$json"
echo "bench_quick: $(basename "$json") parses"
