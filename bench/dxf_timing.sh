#!/usr/bin/env bash
# Times gradix-cli reading a big road plan: `labels` (read the drawing, list
# its texts) and `annotate` + save (read, annotate one pick, write it back).
# The plan is written once by bench/make_big_plan.py with ezdxf (274,000
# entities, about 64 MB, about 20 s) and kept in PLAN_DIR. Each run is
# repeated RUNS times (default 5); the medians of wall time, processor time
# (user + system, which other work on a busy machine changes less) and peak
# memory (maximum resident set) are printed.
#
# Usage: bench/dxf_timing.sh GRADIX_CLI [PLAN_DIR]
#   GRADIX_CLI  the built gradix-cli (a Release build gives the figures)
#   PLAN_DIR    where the plan is kept (default: a folder in $TMPDIR)
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 GRADIX_CLI [PLAN_DIR]" >&2
    exit 64
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=$(realpath "$1")
plans=${2:-${TMPDIR:-/tmp}/gradix-big-plan}
runs=${RUNS:-5}
[[ -x $cli ]] || { echo "$0: no gradix-cli at $cli" >&2; exit 2; }
mkdir -p "$plans"
plan=$plans/big.dxf
[[ -f $plan ]] || /usr/bin/python3 "$here/bench/make_big_plan.py" "$plan"

work=$(mktemp -d "${TMPDIR:-/tmp}/gradix-dxf-timing.XXXXXX")
trap 'rm -rf "$work"' EXIT
examples=$here/examples

# One run: prints "wall-seconds kilobytes processor-seconds".
measure() {
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

report() {
    local name=$1
    shift
    : >"$work/runs"
    for ((i = 0; i < runs; ++i)); do measure "$@" >>"$work/runs"; done
    printf '%s\t%s s wall\t%s s processor\t%s MiB\n' "$name" "$(cut -d' ' -f1 "$work/runs" | median)" \
        "$(cut -d' ' -f3 "$work/runs" | median)" \
        "$(cut -d' ' -f2 "$work/runs" | median | awk '{ printf "%.0f", $1 / 1024 }')"
}

printf 'plan\t%s bytes\n' "$(stat -L -c %s "$plan")"
report labels "$cli" labels --drawing "$plan"
report "annotate + save" "$cli" annotate --icd "$examples/road.icd" --profile "$examples/road-icd.zdm" \
    --drawing "$plan" --out "$work/annotated.dxf" --rotation 30 513201.859,3346479.656:513230,3346470
