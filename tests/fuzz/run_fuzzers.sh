#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (CMake option PELKO_FUZZ: the libraries instrumented,
# with AddressSanitizer and UndefinedBehaviorSanitizer) and runs each one for a bounded time.
#
#   tests/fuzz/run_fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Targets: the picture decoders bmp png jpeg gif, seeded with the decoder test files, their
# earlier failures and, for PNG, PngSuite; json, tray_message, ini_file and hotkey_value, seeded
# with tests/data/fuzz/<target>/. An input that breaks a decoder is copied to
# tests/data/decoders/regressions/<format>/ (replayed by DamagedInput.EarlierFailuresStayFixed),
# one that breaks another target to tests/data/fuzz/<target>/ (replayed by
# StoredFuzzInputs.KeepEveryInvariant), so the normal tests run them from then on. Exits 1 when
# any target failed. Work files and the clang build: $PELKO_FUZZ_DIR (default build-fuzz/ in the
# source tree).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp png jpeg gif json tray_message ini_file hotkey_value)
work=${PELKO_FUZZ_DIR:-$root/build-fuzz}
pngsuite=${PELKO_PNGSUITE_DIR:-$root/../shared/testdata/pngsuite}
cxx=${PELKO_FUZZ_CXX:-clang++}
decoder_data=$root/tests/data/decoders
fuzz_data=$root/tests/data/fuzz

declare -A pattern=([bmp]='*.bmp' [png]='*.png' [jpeg]='*.jpg' [gif]='*.gif')
for target in "${targets[@]}"; do
    if [ -z "${pattern[$target]:-}" ] && [ ! -d "$fuzz_data/$target" ]; then
        echo "unknown target: $target" >&2
        exit 2
    fi
done

mkdir -p "$work"
cmake -S "$root" -B "$work" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_C_COMPILER="${cxx/clang++/clang}" -DPELKO_FUZZ=ON -DPELKO_WITH_APP=OFF \
    -DPELKO_WITH_TESTS=OFF -DPELKO_WITH_BENCH=OFF >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; exit 2; }
cmake --build "$work" -j"${PELKO_FUZZ_JOBS:-$(nproc)}" \
    --target "${targets[@]/#/fuzz_}" >"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log" >&2; exit 2; }

# The settings file target writes a file for each input: on a memory file system when there is one.
[ -w /dev/shm ] && export TMPDIR=/dev/shm

failed=()
for target in "${targets[@]}"; do
    corpus=$work/corpus/$target
    seeds=$work/seeds/$target
    crashes=$work/crashes/$target
    rm -rf "$seeds" "$crashes"
    mkdir -p "$corpus" "$seeds" "$crashes"
    if [ -n "${pattern[$target]:-}" ]; then
        # A decoder: the test files of the format, earlier failures, PngSuite for PNG.
        keep=$decoder_data/regressions/$target
        find "$decoder_data" -maxdepth 1 -name "${pattern[$target]}" -exec cp {} "$seeds/" \;
        if [ "$target" = png ] && [ -d "$pngsuite/png" ]; then
            cp "$pngsuite"/png/*.png "$seeds/"
        fi
    else
        keep=$fuzz_data/$target
    fi
    if [ -d "$keep" ]; then
        cp "$keep"/* "$seeds/" 2>/dev/null || true
    fi

    echo "== $target: $seconds s"
    if ! "$work/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=1024 -artifact_prefix="$crashes/" \
        -print_final_stats=1 "$corpus" "$seeds" 2>"$work/$target.log"; then
        failed+=("$target")
    fi
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|^Done" "$work/$target.log" || true
    if compgen -G "$crashes/*" >/dev/null; then
        mkdir -p "$keep"
        for f in "$crashes"/*; do
            cp "$f" "$keep/$(basename "$f")"
            echo "kept $target failure: ${keep#"$root"/}/$(basename "$f")"
        done
        grep -m1 -A12 "ERROR\|runtime error\|what()" "$work/$target.log" || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "targets with failures: ${failed[*]} (logs in $work)" >&2
    exit 1
fi
echo "no failures"
