#!/usr/bin/env bash
# Times gradix-cli on the two large cases of the README:
#   compute --stakes  32,767 stakes against a profile of 32,767 grade points,
#                     with separate vertical curves and with overlapping ones
#   coords --every 1  every metre of a 150 km alignment of 999 elements
#   locate --points   100,000 surveyed points beside that alignment
# Each run is repeated RUNS times (default 5); the median is printed.
#
# Usage: bench/cli_timing.sh GRADIX_CLI [MAKE_CLI_DATA]
#   GRADIX_CLI     the built gradix-cli (a Release build gives the figures)
#   MAKE_CLI_DATA  the data generator of bench/ (default: bench/make_cli_data
#                  of the same build folder as GRADIX_CLI)
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 GRADIX_CLI [MAKE_CLI_DATA]" >&2
    exit 64
fi
cli=$(realpath "$1")
generator=${2:-$(dirname "$cli")/../../bench/make_cli_data}
runs=${RUNS:-5}
[[ -x $cli ]] || { echo "$0: no gradix-cli at $cli" >&2; exit 2; }
[[ -x $generator ]] || { echo "$0: no data generator at $generator (build target make_cli_data)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/gradix-cli-timing.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" "$work"

# Chainages of the long road: it starts at 1000 and is 150 km long to
# rounding; the table runs to its last whole metre.
from=1000
to=151000

# time_runs LABEL EXPECTED_LINES OUTPUT COMMAND...: runs COMMAND $runs times
# with its standard output in $work/stdout, checks that OUTPUT (that file or
# the command's own --out file) holds EXPECTED_LINES lines, prints each wall
# time and the medians of wall and CPU (user + system) time in seconds.
time_runs() {
    local label=$1 expected=$2 output=$3
    shift 3
    local walls=() cpus=() i t
    local TIMEFORMAT='%3R %3U %3S'
    for ((i = 1; i <= runs; i++)); do
        rm -f "$output"
        # bash's time reports on the group's stderr, the command's own
        # streams go to files.
        t=$({ time "$@" >"$work/stdout" 2>"$work/stderr"; } 2>&1) || {
            echo "$label: run $i failed:" >&2
            cat "$work/stderr" >&2
            exit 2
        }
        local lines
        lines=$(wc -l <"$output")
        if [[ $lines -ne $expected ]]; then
            echo "$label: $lines result lines, expected $expected" >&2
            exit 2
        fi
        read -r real user sys <<<"$t"
        walls+=("$real")
        cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')")
    done
    local wallMedian cpuMedian
    wallMedian=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    cpuMedian=$(printf '%s\n' "${cpus[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    printf '%-40s runs: %s s\n' "$label" "${walls[*]}"
    printf '%-40s median wall %s s, median CPU %s s\n' "" "$wallMedian" "$cpuMedian"
    # One more run for the peak memory, where GNU time is at hand.
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -f '%M' -o "$work/memory" "$@" >"$work/stdout" 2>/dev/null
        printf '%-40s peak memory %s KiB\n' "" "$(tail -n 1 "$work/memory")"
    fi
}

echo "gradix-cli: $cli"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "data: $work ($(wc -l <"$work/profile.zdm") grade points, $(wc -l <"$work/stakes.txt") stakes," \
     "$(grep -c '^[1-6],' "$work/long.ICD") elements)"
echo

time_runs "compute --stakes (32,767 x 32,767)" 32767 "$work/results.txt" \
    "$cli" compute --profile "$work/profile.zdm" --stakes "$work/stakes.txt" --out "$work/results.txt"
time_runs "compute --stakes, overlapping curves" 32767 "$work/results.txt" \
    "$cli" compute --profile "$work/profile-overlap.zdm" --stakes "$work/stakes.txt" --out "$work/results.txt"
time_runs "coords --every 1 (150 km, 999 elements)" $((to - from + 1)) "$work/stdout" \
    "$cli" coords --icd "$work/long.ICD" --from "$from" --to "$to" --every 1

# 100,000 surveyed points beside the long road: side stakes of coords
# --offset every 1.5 m, alternately 23 m to the left and 7.3 m to the right.
"$cli" coords --icd "$work/long.ICD" --from "$from" --to $((to - 1)) --every 1.5 --offset -23,7.3 |
    awk 'NR <= 100000 { if (NR % 2) print "P" NR, $5, $6; else print "P" NR, $7, $8 }' >"$work/points.txt"
time_runs "locate --points (100,000 points)" 100000 "$work/stdout" \
    "$cli" locate --icd "$work/long.ICD" --points "$work/points.txt"
