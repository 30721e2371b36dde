#!/usr/bin/env bash
# Installs what is missing, builds, runs every test and then the fuzzer, and reports both:
# a fuzzer finding never hides the tests' results, and failing tests still let the fuzzer run.
set -uo pipefail
cd "$(dirname "$0")"
scripts/setup.sh || exit 1
scripts/build.sh || exit 1

log=$(mktemp)
trap 'rm -f "$log"' EXIT
(cd build && ctest --output-on-failure -j2) 2>&1 | tee "$log"
tests=${PIPESTATUS[0]}
scripts/fuzz.sh
fuzz=$?

echo
echo "fuzzer: $([ $fuzz = 0 ] && echo passed || echo "FAILED (see build-fuzz/artifacts/)")"
# ctest's own count, repeated last so that it closes the output.
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
if [ -n "$summary" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    failed=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$summary")
    echo "tests: $((total - failed)) passed, $failed failed"
else
    echo "tests: FAILED (ctest exit $tests, no summary)"
fi
[ $tests = 0 ] && [ $fuzz = 0 ]
