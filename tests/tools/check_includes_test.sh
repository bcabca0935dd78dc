#!/usr/bin/env bash
# tools/check-includes on small trees: it passes a tree whose includes go the right way and
# names every include that goes up a stage, crosses between agent and simulator, or closes a
# cycle.
set -uo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
put() { mkdir -p "$(dirname "$tree/$1")"; printf '%s\n' "$2" >"$tree/$1"; }

put sim/physics/world.h '#include <vector>'
put sim/referee/referee.h '#include "sim/physics/world.h"'
put sim/server/server.h '#include "sim/referee/referee.h"'
put sim/server/server.cpp '#include "sim/server/server.h"'
put body/player.h '#include "world/worldmodel.h"'
put world/worldmodel.h '// nothing'
out=$("$check" --root="$tree") || fail "a sound tree was refused: $out"

put sim/referee/trainer.h '#include "sim/server/server.h"'
put sim/physics/vision.h '#include "body/player.h"'
put walk/gait.h '#include "sim/physics/world.h"'
put sim/record/a.h '#include "sim/record/b.h"'
put sim/record/b.h '#include "a.h"'
out=$("$check" --root="$tree")
[ $? -eq 1 ] || fail "exit status $? for a tree with faults"
for want in "sim/referee/trainer.h: includes sim/server/server.h, a stage above" \
            "sim/physics/vision.h: the simulator includes the agent's body/player.h" \
            "walk/gait.h: the agent includes the simulator's sim/physics/world.h" \
            "include cycle: sim/record/a.h -> sim/record/b.h -> sim/record/a.h"; do
    grep -qF "$want" <<<"$out" || fail "missing '$want' in: $out"
done
[ "$(wc -l <<<"$out")" -eq 4 ] || fail "more lines than faults: $out"

"$check" --bogus 2>/dev/null
[ $? -eq 2 ] || fail "an unknown argument is not exit 2"
echo "ok"
