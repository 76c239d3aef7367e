#!/usr/bin/env bash
# Runs every fuzzer of the fuzz build for the given number of seconds each, starting from its seed
# corpus in fuzz/corpus/<fuzzer>/ (left unchanged: new inputs go to a scratch folder). A finding
# stops that fuzzer with its reproducer in <build>/artifacts/ and makes the script fail.
#   fuzz/run.sh <seconds> [fuzzer...]      (build first: cmake --workflow --preset fuzz)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh <seconds> [fuzzer...]}
shift
build=${ORVEX_FUZZ_BUILD:-build/fuzz}
if [ $# -gt 0 ]; then
  fuzzers=("$@")
else
  fuzzers=()
  for binary in "$build"/fuzz/*_fuzzer; do [ -x "$binary" ] && fuzzers+=("$(basename "$binary")"); done
fi
if [ ${#fuzzers[@]} -eq 0 ]; then
  echo "fuzz: no fuzzers in $build/fuzz (build them with: cmake --workflow --preset fuzz)" >&2
  exit 1
fi

mkdir -p "$build/artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
for fuzzer in "${fuzzers[@]}"; do
  seeds=fuzz/corpus/$fuzzer
  mkdir -p "$scratch/$fuzzer"
  echo "fuzz: $fuzzer for ${seconds}s"
  if "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/artifacts/$fuzzer-" -print_final_stats=1 \
       "$scratch/$fuzzer" "$seeds" >"$scratch/$fuzzer.log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^stat::number_of_executed_units' "$scratch/$fuzzer.log" | sed "s/^/fuzz: $fuzzer /"
  else
    failed=$((failed + 1))
    echo "fuzz: $fuzzer FOUND A FAULT (reproducer in $build/artifacts/):"
    grep -vE '^#[0-9]+|^INFO:|NEW_FUNC' "$scratch/$fuzzer.log" | tail -60
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
