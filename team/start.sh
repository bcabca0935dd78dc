#!/usr/bin/env bash
# team/start.sh [HOST] [PORT] [N] [velorunner options]: starts N velorunner agents (default
# 11) against the server at HOST:PORT (default 127.0.0.1:3100) and returns. The league's
# convention: a server or a tournament tool starts a team as `start.sh HOST PORT` and stops it
# with `kill.sh`. Uniform numbers: those of the kick-off taker (9) and the keeper (1) first,
# then the formation's places by importance; UNUMS="1 5 9" chooses them. The agents' process
# ids go to PID_FILE (default team/agents.pids), one a line, for kill.sh. Each agent writes to
# LOG_DIR/PREFIX-UNUM.log (default: /tmp, prefix "agent"). --help prints this text.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD_DIR:-$root/build}/bin

# The order in which a team of fewer than 11 fills the formation: 9 takes the kick-off, 1 keeps
# goal, 8 is the second striker; then the midfield and the defence from the centre out.
order=(9 1 8 6 3 7 5 2 4 10 11)

if [ "${1:-}" = --help ]; then
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
fi
fail() {
    echo "start.sh: $*" >&2
    exit 2
}
host=${1:-127.0.0.1}
port=${2:-3100}
count=${3:-11}
shift $(($# < 3 ? $# : 3))
[[ $port =~ ^[0-9]+$ ]] && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] ||
    fail "PORT must be 1..65535, not '$port'"
[[ $count =~ ^[0-9]+$ ]] && [ "$count" -ge 1 ] && [ "$count" -le 11 ] ||
    fail "N must be 1..11, not '$count'"
if [ -n "${UNUMS:-}" ]; then
    read -r -a unums <<<"${UNUMS//,/ }"
    [ ${#unums[@]} = "$count" ] || fail "UNUMS names ${#unums[@]} numbers for $count agents"
    seen=" "
    for u in "${unums[@]}"; do
        [[ $u =~ ^[0-9]+$ ]] && [ "$u" -ge 1 ] && [ "$u" -le 11 ] ||
            fail "a uniform number must be 1..11, not '$u'"
        [[ $seen != *" $u "* ]] || fail "uniform number $u is named twice"
        seen="$seen$u "
    done
else
    unums=("${order[@]:0:$count}")
fi
[ -x "$bin/velorunner" ] || fail "no $bin/velorunner (tools/bootstrap builds it)"
pid_file=${PID_FILE:-$root/team/agents.pids}
log_dir=${LOG_DIR:-/tmp}
prefix=${PREFIX:-agent}
# Joins one at a time: each one makes the server fit a robot into its world.
interval=${JOIN_INTERVAL:-0.3}

for unum in "${unums[@]}"; do
    # Each agent outlives this script; kill.sh stops it by the id kept here.
    "$bin/velorunner" --host="$host" --port="$port" --unum="$unum" "$@" \
        >"$log_dir/$prefix-$unum.log" 2>&1 </dev/null &
    echo "$!" >>"$pid_file"
    sleep "$interval"
done
