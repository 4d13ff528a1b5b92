#!/bin/sh
# Lines of C++ in src/, bench/ and tests/, and the tests' share of them.
# Fails when the tests are more than a third.
set -eu
cd "$(dirname "$0")/.."
count() { find "$1" -name '*.cpp' -o -name '*.h' | xargs cat | wc -l; }
src=$(count src)
bench=$(count bench)
tests=$(count tests)
total=$((src + bench + tests))
permille=$((tests * 1000 / total))
echo "src $src, bench $bench, tests $tests lines: tests are $((permille / 10)).$((permille % 10))% of $total"
if [ $((tests * 3)) -gt "$total" ]; then
    echo "test-share: the tests are more than a third of all C++" >&2
    exit 1
fi
