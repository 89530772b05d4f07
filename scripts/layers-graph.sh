#!/usr/bin/env bash
# Prints the links between the project's own targets, as the build states
# them: the picture of the layers in docs/ARCHITECTURE.md is drawn from this.
# Configures the dev preset (as scripts/test.sh does) with CMake's graphviz
# output and keeps only our libraries and programs; Qt, the bus library and
# the warnings target are left out.
#
#   layers-graph.sh [FILTER]    FILTER: a regular expression on target names,
#                               e.g. '^brisvel' for the layers alone
set -euo pipefail
cd "$(dirname "$0")/.."

dot=build/graph/targets.dot
cmake --preset dev --graphviz="$dot" >/dev/null
awk -v filter="${1:-.}" '
    function ours(name) {
        return name ~ /^(brisvel|unit-sim|bus-torture|test_|bench_|paint_cost|fuzz_)/ &&
               name != "brisvel_options" && name ~ filter
    }
    match($0, /^ *"node[0-9]+" \[ label = "[^"]+"/) {
        split($0, part, "\"")
        label[part[2]] = part[4]
    }
    match($0, /^ *"node[0-9]+" -> "node[0-9]+"/) {
        split($0, part, "\"")
        from = label[part[2]]
        to = label[part[4]]
        if (ours(from) && ours(to))
            print from " -> " to
    }' "$dot" | sort -u
