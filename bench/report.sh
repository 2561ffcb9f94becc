# shellcheck shell=bash
# Sourced by bench/run.sh and bench/startup_memory.sh: prints one figure per line in one format and,
# when FIGURES_FILE names a file, adds it there as a tab-separated row for the closing summary
# (figure, ours, peer, ratio, target, verdict).

# pair_figure <figure> <ours> <peer> <unit> <highest ratio allowed>
pair_figure() {
    local line row
    line=$(awk -v f="$1" -v o="$2" -v p="$3" -v u="$4" -v t="$5" 'BEGIN {
        r = (p > 0) ? o / p : 0
        v = (p > 0 && r <= t) ? "met" : "missed"
        printf "%s: ours %s %s, peer %s %s, ratio %.2f (target <= %s): %s\t", f, o, u, p, u, r, t, v
        printf "%s\t%s %s\t%s %s\t%.2f\t<= %s\t%s", f, o, u, p, u, r, t, v
    }')
    row=${line#*$'\t'}
    echo "${line%%$'\t'*}"
    if [ -n "${FIGURES_FILE:-}" ]; then echo "$row" >>"$FIGURES_FILE"; fi
}

# limit_figure <figure> <ours> <unit> <highest value allowed>: a figure with a bound instead of a peer
limit_figure() {
    local line row
    line=$(awk -v f="$1" -v o="$2" -v u="$3" -v t="$4" 'BEGIN {
        v = (o <= t) ? "met" : "missed"
        printf "%s: ours %s %s (target <= %s %s): %s\t", f, o, u, t, u, v
        printf "%s\t%s %s\t-\t-\t<= %s %s\t%s", f, o, u, t, u, v
    }')
    row=${line#*$'\t'}
    echo "${line%%$'\t'*}"
    if [ -n "${FIGURES_FILE:-}" ]; then echo "$row" >>"$FIGURES_FILE"; fi
}

# missing_figure <figure> <reason>: a figure that could not be measured in this run
missing_figure() {
    echo "$1: not measured ($2): missed"
    if [ -n "${FIGURES_FILE:-}" ]; then printf '%s\t-\t-\t-\t-\tmissed (%s)\n' "$1" "$2" >>"$FIGURES_FILE"; fi
}

# median of the numbers given as arguments
median() {
    printf '%s\n' "$@" | sort -g | awk -v OFMT=%.8g '{ a[NR] = $1 } END {
        if (NR == 0) exit 1
        if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
}
