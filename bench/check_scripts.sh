#!/usr/bin/env bash
# What the tests can check of the benchmark scripts without running them: each parses, and every
# program the desktop session drives is installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for script in "$root"/bench/*.sh "$root"/bench/desktop/*.sh; do
  bash -n "$script" || { echo "does not parse: $script" >&2; status=1; }
done
source "$root/bench/desktop/session.sh"
session_check_tools || status=1
exit $status
