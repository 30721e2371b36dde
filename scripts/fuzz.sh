#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a while
# (FUZZ_SECONDS, default 60), starting from the RTF test fixtures and the stored corpus
# (src/richtext/fuzz/corpus). Fails when a target crashes, hangs or finds a memory error; the
# input that did it is left in build-fuzz/artifacts/.
# Skipped (with a word) where clang or its fuzzer runtime is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
if [ "$seconds" = 0 ]; then
    echo "fuzz: FUZZ_SECONDS=0, skipped"
    exit 0
fi
if ! command -v clang++ >/dev/null || ! command -v clang >/dev/null; then
    echo "fuzz: clang not found, skipped"
    exit 0
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' \
    >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
    echo "fuzz: clang's libFuzzer runtime (libclang-rt-dev) not installed, skipped"
    exit 0
fi

if [ ! -f build-fuzz/build.ninja ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKESTROVA_FUZZ=ON -DKESTROVA_BUILD_TESTS=OFF -DKESTROVA_BUILD_BENCH=OFF
fi
targets=(fuzz_fromRtf)
declare -A dictionaries=([fuzz_fromRtf]=src/richtext/fuzz/rtf.dict)
cmake --build build-fuzz --target "${targets[@]}"

mkdir -p build-fuzz/artifacts
status=0
for target in "${targets[@]}"; do
    seeds=build-fuzz/seeds/$target
    corpus=build-fuzz/corpus/$target
    mkdir -p "$seeds" "$corpus"
    cp tests/richtext/fixtures/*.rtf src/richtext/fuzz/corpus/* "$seeds/"
    echo "fuzz: running $target for ${seconds}s"
    log=build-fuzz/$target.log
    options=(-max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048
        -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-")
    [ -n "${dictionaries[$target]:-}" ] && options+=(-dict="${dictionaries[$target]}")
    if build-fuzz/bin/$target "${options[@]}" "$corpus" "$seeds" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$log" || true
        echo "fuzz: $target found nothing"
    else
        tail -n 60 "$log"
        echo "fuzz: $target FAILED; the input is in build-fuzz/artifacts/ (full log: $log)"
        status=1
    fi
done
exit $status
