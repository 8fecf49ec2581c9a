#!/usr/bin/env bash
# Builds the loader's libFuzzer targets with clang, AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer in build-fuzz/, then runs each for a minute. Seeds: the loader's
# fixtures and the small files under seeds/. Set FUZZ_SECONDS to run longer; a crash, a leak or
# undefined behaviour stops the script with a non-zero status and leaves the input in build-fuzz/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVEXARIS_FUZZ=ON -DVEXARIS_GUI=OFF -DVEXARIS_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" >/dev/null
targets=(fuzz_paintshoppro fuzz_animatorcel fuzz_heif fuzz_webp fuzz_avif fuzz_jxl fuzz_loader)
cmake --build "$build" -j2 --target "${targets[@]}"

# The loader's target reads the extension from the first byte: index into its table.
extensions=(bmp rle jpg gif png tif eps tga pcx psd psp sgi ppm rla cel pcd cut ico wmf emf heic webp avif jxl)
index_of() {
    local i
    for i in "${!extensions[@]}"; do
        if [ "${extensions[$i]}" = "$1" ]; then echo "$i"; return; fi
    done
    echo -1
}

corpus=$build/fuzz-corpus
for target in "${targets[@]}"; do mkdir -p "$corpus/$target"; done
cp "$here"/seeds/*.psp "$corpus/fuzz_paintshoppro/"
cp "$here"/seeds/*.cel "$corpus/fuzz_animatorcel/"
cp "$root"/tests/data/loader/*.heic "$root"/tests/data/loader/*.heif "$corpus/fuzz_heif/"
for reader in webp avif jxl; do cp "$root"/tests/data/loader/*."$reader" "$corpus/fuzz_$reader/"; done
for file in "$root"/tests/data/loader/* "$here"/seeds/*; do
    extension=${file##*.}
    case $extension in
        fax | tiff) extension=tif ;; jpeg) extension=jpg ;; pgm | pbm) extension=ppm ;; heif | hif) extension=heic ;;
    esac
    i=$(index_of "$extension")
    [ "$i" -ge 0 ] || continue
    { printf "\\$(printf '%03o' "$i")"; cat "$file"; } > "$corpus/fuzz_loader/seed-$(basename "$file")"
done

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$here/lsan-suppressions.txt:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1
for target in "${targets[@]}"; do
    echo "== $target: $seconds s"
    (cd "$build" && "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=3072 -max_len=65536 \
        -print_final_stats=1 "$corpus/$target" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|artifact_prefix|Test unit written)' || true)
    # ls of the four patterns fails whenever one of them matches nothing, so look for any one.
    if [ -n "$(find "$build" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' -o -name 'timeout-*' \) -print -quit)" ]; then
        echo "$target found a problem; the inputs are in $build" >&2
        exit 1
    fi
done
echo "No crash, no leak."
