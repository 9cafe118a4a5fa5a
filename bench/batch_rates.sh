#!/bin/sh
# Formulas per second of morvane-batch with one and two threads, of a shell
# loop of morvane processes (on the first 1,000 formulas, scaled), and of
# the peer IsoSpec in one process (build/bench/isospec_batch), at the
# default threshold 0.001, on the generator's fixed formula sets: 100,000
# tryptic peptides and 10,000 small molecules. Whole-process wall time from
# /usr/bin/time; run on an otherwise idle machine.
#
#   bench/batch_rates.sh [build-folder]
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall seconds of a command, its output discarded.
seconds() {
    /usr/bin/time -f %e -o "$work/time" "$@" >/dev/null 2>&1
    cat "$work/time"
}

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

printf '| formulas | morvane-batch -j1 | morvane-batch -j2 | morvane loop (1,000, scaled) | IsoSpec in one process |\n'
printf '|---|---|---|---|---|\n'
for set in peptides molecules; do
    "$here/tools/make_batch_formulas.py" "$set" >"$work/$set.txt"
    head -n 1000 "$work/$set.txt" | cut -f 2 >"$work/sample.txt"
    n=$(wc -l <"$work/$set.txt")
    j1=$(seconds "$build/morvane-batch" "$here/morvanetable.txt" -i "$work/$set.txt" -j 1 -o /dev/null)
    j2=$(seconds "$build/morvane-batch" "$here/morvanetable.txt" -i "$work/$set.txt" -j 2 -o /dev/null)
    loop=$(seconds sh -c "while read -r f; do '$build/morvane' \"\$f\" '$here/morvanetable.txt'; done <'$work/sample.txt'")
    peer=$(seconds "$build/bench/isospec_batch" "$work/$set.txt" 0.001)
    printf '| %s %s | %s/s | %s/s | %s/s | %s/s |\n' "$n" "$set" "$(rate "$n" "$j1")" "$(rate "$n" "$j2")" \
        "$(rate 1000 "$loop")" "$(rate "$n" "$peer")"
done
