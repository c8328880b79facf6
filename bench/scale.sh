#!/bin/sh
# Measures korvex-cli on large recordings side by side with a plain read of
# the file from the page cache, and the frame list's opening of the same file.
#
#   bench/scale.sh [BUILD_DIR] [FRAMES] [DISTINCT_FRAMES]
#
# BUILD_DIR defaults to build/release, FRAMES to 100000000 (a 2.4 GB file),
# DISTINCT_FRAMES (the classification's recording, every frame different) to
# 10000000. The files go to $SCALE_DIR (default: a new folder under /tmp) and
# are deleted at the end. Each line gives, for the median of three runs after
# one that warms the page cache: the wall time, the user and system CPU time,
# the user CPU per frame (the measure that a busy machine disturbs least), the
# minor page faults and the peak resident memory. Then the CPU per frame of the
# passes' inner loops on one thread, beside a bare read of the same frames.
set -eu

build=${1:-build/release}
frames=${2:-100000000}
distinct=${3:-10000000}
bin=$build/bin
folder=${SCALE_DIR:-$(mktemp -d /tmp/korvex-scale.XXXXXX)}
mkdir -p "$folder"
trap 'rm -f "$folder/many.can" "$folder/distinct.can" "$folder/part.can" "$folder/time" "$folder/times"; rmdir "$folder" 2>/dev/null || true' EXIT

many=$folder/many.can
different=$folder/distinct.can

echo "making $frames frames and $distinct different frames in $folder"
"$bin/bench_make_recording" "$many" "$frames"
"$bin/bench_make_recording" "$different" "$distinct" --distinct

# run LABEL FRAMES COMMAND...: one warm-up, then three measured runs, of
# which the one with the median wall time is printed: a shared machine's
# noise moves single runs by half their time.
run() {
    label=$1
    count=$2
    shift 2
    "$@" >/dev/null 2>&1 || true
    : >"$folder/times"
    for attempt in 1 2 3; do
        /usr/bin/time -f "%e %U %S %R %M" -o "$folder/time" "$@" >/dev/null 2>/dev/null || true
        cat "$folder/time" >>"$folder/times"
    done
    set -- $(sort -n "$folder/times" | sed -n 2p)
    awk -v label="$label" -v s="$1" -v u="$2" -v k="$3" -v f="$4" -v kb="$5" -v n="$count" 'BEGIN {
        printf "%-36s %6.2f s wall %6.2f s user %5.2f s sys %6.2f ns/frame user %7d faults %6.0f MB %5.1f B/frame\n",
               label, s, u, k, u * 1e9 / n, f, kb / 1024, kb * 1024 / n }'
}

echo "$(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
for n in "$frames" 10000000; do
    file=$many
    if [ "$n" != "$frames" ]; then
        file=$folder/part.can
        # The first n frames of the same recording (24-byte records after the
        # 36-byte head of one clock record).
        head -c $((36 + 24 * n)) "$many" >"$file"
    fi
    echo "--- $n frames"
    run "cat FILE > /dev/null" "$n" cat "$file"
    run "search --column 3 --equal 43d" "$n" "$bin/korvex-cli" search "$file" --column 3 --equal 43d
    run "search --column 7 --contains 'fe dc'" "$n" \
        "$bin/korvex-cli" search "$file" --column 7 --contains "fe dc"
    run "busload" "$n" "$bin/korvex-cli" busload "$file"
    if [ "$n" != "$frames" ]; then rm -f "$file"; fi
done

echo "--- $distinct frames, each different"
run "dump" "$distinct" "$bin/korvex-cli" dump "$different"
run "classify --columns 3,7" "$distinct" "$bin/korvex-cli" classify "$different" --columns 3,7

echo "--- the per-frame loops on one thread: 10 M frames from memory, 16384 from the cache"
loops() {
    KORVEX_PASS_THREADS=1 "$@" 2>/dev/null | awk '/^BM_/ {
        for (i = 1; i <= NF; ++i) if ($i ~ /^cpu_per_frame=/) { sub(/cpu_per_frame=/, "", $i); v = $i }
        if (v ~ /ps$/) { sub(/ps$/, "", v); v /= 1000 } else sub(/ns$/, "", v)
        split($1, name, "/")
        printf "%-36s %-9s %6.2f ns/frame\n", name[1], name[2], v }'
}
loops "$bin/bench_search" --benchmark_filter='ReadIdentifiers|SearchIdentifierEqual'
loops "$bin/bench_analysis" --benchmark_filter='BusSpans|BusStatusWithTheSpans'

echo "--- the frame list opening $frames frames"
"$bin/bench_open_recording" "$many"
