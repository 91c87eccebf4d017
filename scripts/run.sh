#!/usr/bin/env bash
# Installs what is missing, builds the programs, and starts Kvel32 in the demo program
# folder. Without a display it runs under a virtual one and saves a
# screenshot whose path it prints.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/install.sh
bash scripts/build.sh programs  # the programs only: the test trees are test.sh's
status=0
python3 scripts/demo.py || status=$?
bash scripts/wine-prefix.sh stop
exit $status
