#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS seconds each, on a working copy
# of its seed corpus, and prints the executions per target and in total. A finding (a
# failed property, a crash, a sanitizer report, a hang of 10 s) makes the script fail;
# the input is kept under build/fuzz/findings/ and the target's log under build/fuzz/logs/.
#
#   bench/fuzz.sh [SECONDS] [TARGET...]     targets: settings worklog list_split rec_size
#                                                     drop scenario
#
# Replay a finding: build/fuzz/fuzz/TARGET_fuzz build/fuzz/findings/TARGET-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ "$#" -gt 0 ] && shift
targets=("$@")
[ "${#targets[@]}" -eq 0 ] && targets=(settings worklog list_split rec_size drop scenario)

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs" --target "${targets[@]/%/_fuzz}" >/dev/null

work=build/fuzz/corpus-work
findings=build/fuzz/findings
logs=build/fuzz/logs
mkdir -p "$findings" "$logs"

total=0
failed=()
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  log="$logs/$t.log"
  status=0
  "build/fuzz/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/$t-" \
    "$work/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  execs=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$log" | tail -n 1)
  execs=${execs:-0}
  total=$((total + execs))
  printf '%-12s %12d executions\n' "$t" "$execs"
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    grep -E 'property failed|runtime error|ERROR: |Test unit written' -A2 "$log" | head -n 20 >&2 || true
  fi
done
printf '%-12s %12d executions\n' total "$total"

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]} (see $findings and $logs)" >&2
  exit 1
fi
