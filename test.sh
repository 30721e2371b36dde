#!/usr/bin/env bash
# Installs what is missing, builds, runs every test and then the fuzzer, and reports both:
# a fuzzer finding never hides the tests' results, and failing tests still let the fuzzer run.
set -uo pipefail
cd "$(dirname "$0")"
scripts/setup.sh || exit 1
scripts/build.sh || exit 1

(cd build && ctest --output-on-failure -j2)
tests=$?
scripts/fuzz.sh
fuzz=$?

echo
echo "tests:  $([ $tests = 0 ] && echo passed || echo "FAILED (ctest exit $tests)")"
echo "fuzzer: $([ $fuzz = 0 ] && echo passed || echo "FAILED (see build-fuzz/artifacts/)")"
[ $tests = 0 ] && [ $fuzz = 0 ]
