#!/usr/bin/env bash
# Counts the instructions of each benchmarked request with callgrind
# (hal_ops run NAME N under --toggle-collect=ENTRY, so only the entry
# point and what it calls count) and fails when one is above the budget in
# ops.cpp. Exits 77 (skipped) where valgrind is missing.
#
#   bench/check_budgets.sh path/to/hal_ops
set -euo pipefail

ops=${1:?usage: check_budgets.sh path/to/hal_ops}
if ! command -v valgrind >/dev/null; then
  echo "budgets: valgrind is missing (Debian: valgrind); skipped"
  exit 77
fi

requests=200
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
printf '%-22s %12s %12s\n' request instructions budget
while read -r name entry budget; do
  # Symbols bound at start, so that no lazy binding is counted.
  LD_BIND_NOW=1 valgrind --tool=callgrind --callgrind-out-file="$work/$name.out" \
    --toggle-collect="$entry" "$ops" run "$name" "$requests" >"$work/$name.log" 2>&1 || {
    cat "$work/$name.log"
    exit 1
  }
  total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/$name.out")
  per=$(( (total + requests - 1) / requests ))
  mark=""
  if [[ $budget -eq 0 || $per -gt $budget ]]; then
    mark="  over budget"
    status=1
  fi
  printf '%-22s %12d %12d%s\n' "$name" "$per" "$budget" "$mark"
done < <("$ops" list)
exit $status
