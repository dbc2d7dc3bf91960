#!/usr/bin/env bash
# fuzz/build.sh: builds the libFuzzer targets with clang++ (AddressSanitizer and
# UndefinedBehaviorSanitizer) into BUILD_DIR (default: build-fuzz beside fuzz/).
#   fuzz/build.sh [BUILD_DIR]
# Needs clang and its runtimes (Debian: clang libclang-rt-dev). Then, for example:
#   mkdir -p /tmp/c && cp fuzz/corpus/datafile/* /tmp/c/
#   build-fuzz/fuzz_datafile /tmp/c -max_total_time=600 -rss_limit_mb=2048 -timeout=10
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-fuzz}"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" >/dev/null
cmake --build "$build" -j2
