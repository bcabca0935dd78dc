#!/usr/bin/env bash
# team/kill.sh: stops the agents that team/start.sh started, by the process ids it kept in
# PID_FILE (default team/agents.pids), never by name: other velorunner processes on the
# machine are left alone. A process id whose process is gone, or now belongs to another
# program, is skipped. Waits up to 5 s for them to end, then kills what is left, and removes
# the file. --help prints this text.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --help ]; then
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
fi
pid_file=${PID_FILE:-$root/team/agents.pids}
[ -f "$pid_file" ] || exit 0

# Ours: the process still runs the agent binary (a pid may have been reused since).
ours() { [ "$(readlink "/proc/$1/exe" 2>/dev/null)" != "" ] &&
    [[ $(readlink "/proc/$1/exe") == */velorunner ]]; }

pids=()
while read -r pid; do
    [[ $pid =~ ^[0-9]+$ ]] && ours "$pid" && pids+=("$pid")
done <"$pid_file"
for pid in ${pids[@]+"${pids[@]}"}; do kill -INT "$pid" 2>/dev/null || true; done
for _ in $(seq 1 50); do
    left=0
    for pid in ${pids[@]+"${pids[@]}"}; do ours "$pid" && left=1; done
    [ "$left" = 1 ] || break
    sleep 0.1
done
for pid in ${pids[@]+"${pids[@]}"}; do ours "$pid" && kill -KILL "$pid" 2>/dev/null; done
rm -f "$pid_file"
exit 0
