#!/usr/bin/env bash
# Builds a libFuzzer target for each picture decoder with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time, seeded with the decoder
# test files, the earlier failures and, for PNG, PngSuite. Kept apart from the normal gcc build.
#
#   tests/fuzz/run_fuzzers.sh [SECONDS_PER_DECODER] [bmp png jpeg gif]
#
# Inputs that crash a decoder are copied to tests/data/decoders/regressions/<format>/, where
# the normal tests (DamagedInput.EarlierFailuresStayFixed) run them from then on. Exits 1 when
# any decoder failed. Work files: $PELKO_FUZZ_DIR (default build-fuzz/ in the source tree).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-20}
shift || true
formats=("$@")
[ ${#formats[@]} -gt 0 ] || formats=(bmp png jpeg gif)
work=${PELKO_FUZZ_DIR:-$root/build-fuzz}
pngsuite=${PELKO_PNGSUITE_DIR:-$root/../shared/testdata/pngsuite}
cxx=${PELKO_FUZZ_CXX:-clang++}
data=$root/tests/data/decoders

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer -I"$root/src")
mkdir -p "$work/obj"

# The decoders and what they need of the core, compiled once.
objects=()
for src in core/error.cpp core/image/bitmap.cpp core/codec/bmp_reader.cpp \
    core/codec/png_reader.cpp core/codec/jpeg_reader.cpp core/codec/gif_reader.cpp \
    core/codec/picture_file.cpp; do
    obj=$work/obj/$(echo "$src" | tr / _).o
    # Only the harness is linked with the fuzzer's main; the rest is instrumented for it.
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$root/src/$src" -o "$obj"
    objects+=("$obj")
done

declare -A decoder=([bmp]=decodeBmp [png]=decodePng [jpeg]=decodeJpeg [gif]=decodeGif)
declare -A pattern=([bmp]='*.bmp' [png]='*.png' [jpeg]='*.jpg' [gif]='*.gif')

failed=()
for format in "${formats[@]}"; do
    [ -n "${decoder[$format]:-}" ] || { echo "unknown format: $format" >&2; exit 2; }
    target=$work/fuzz_$format
    "$cxx" "${flags[@]}" -DPELKO_FUZZ_DECODER="${decoder[$format]}" \
        "$root/tests/fuzz/fuzz_decoder.cpp" "${objects[@]}" -lpng16 -ljpeg -lgif -lz -o "$target"

    # Seeds: the test files of the format, earlier failures, PngSuite for PNG.
    corpus=$work/corpus/$format
    seeds=$work/seeds/$format
    crashes=$work/crashes/$format
    rm -rf "$seeds" "$crashes"
    mkdir -p "$corpus" "$seeds" "$crashes"
    find "$data" -maxdepth 1 -name "${pattern[$format]}" -exec cp {} "$seeds/" \;
    if [ -d "$data/regressions/$format" ]; then
        cp "$data/regressions/$format"/* "$seeds/" 2>/dev/null || true
    fi
    if [ "$format" = png ] && [ -d "$pngsuite/png" ]; then
        cp "$pngsuite"/png/*.png "$seeds/"
    fi

    echo "== $format: $seconds s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=1024 -artifact_prefix="$crashes/" -print_final_stats=1 \
        "$corpus" "$seeds" 2>"$work/$format.log"; then
        failed+=("$format")
    fi
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|^Done" "$work/$format.log" || true
    if compgen -G "$crashes/*" >/dev/null; then
        mkdir -p "$data/regressions/$format"
        for f in "$crashes"/*; do
            cp "$f" "$data/regressions/$format/$(basename "$f")"
            echo "kept $format failure: tests/data/decoders/regressions/$format/$(basename "$f")"
        done
        grep -m1 -A12 "ERROR\|runtime error" "$work/$format.log" || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "decoders with failures: ${failed[*]} (logs in $work)" >&2
    exit 1
fi
echo "no failures"
