#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a number of executions, then prints the counts.
#   scripts/fuzz.sh [RUNS_PER_TARGET]    default 2,000,000 (18,000,000 in all)
# An input that takes longer than FUZZ_TIMEOUT seconds (default 5) is a finding too.
# A target that finds a fault stops the script; its input is left in build/fuzz/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-2000000}
out=build/fuzz
mkdir -p "$out"
cxx=${CXX_FUZZ:-clang++}
flags=(-std=c++20 -O1 -g -I. -I"$out/generated" -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=all)

# The grapheme cluster table, made from the Unicode data as the CMake build makes it.
tables=platform/common/make_grapheme_tables.py
unicode=${LUMORA_UNICODE_DIR:-/usr/share/unicode}
mkdir -p "$out/generated"
runs_table="$out/generated/grapheme_runs.inc"
if [ ! -s "$runs_table" ] || [ "$tables" -nt "$runs_table" ]; then
  python3 "$tables" "$unicode/auxiliary/GraphemeBreakProperty.txt" "$unicode/emoji/emoji-data.txt" \
    "$runs_table"
fi

# The targets and their sources, as tests/fuzz/targets.cmake lists them ("target: sources").
declare -A sources=()
targets=()
while IFS= read -r entry; do
  target=${entry%%:*}
  targets+=("$target")
  sources[$target]=${entry#*: }
done < <(sed -n 's/^ *"\(fuzz_[a-z_]*: [^"]*\)"$/\1/p' tests/fuzz/targets.cmake)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets listed in tests/fuzz/targets.cmake" >&2
  exit 1
fi

for target in "${targets[@]}"; do
  binary="$out/$target"
  newest=$(ls -t "tests/fuzz/$target.cpp" tests/fuzz/fuzz_text.h ${sources[$target]} \
    ${sources[$target]//.cpp/.h} 2>/dev/null | head -1)
  if [ ! -x "$binary" ] || [ "$newest" -nt "$binary" ]; then
    "$cxx" "${flags[@]}" "tests/fuzz/$target.cpp" ${sources[$target]} -o "$binary"
  fi
done

total=0
printf '%-22s %14s %10s\n' target executions seconds
for target in "${targets[@]}"; do
  work="$out/$target"
  mkdir -p "$work.corpus"
  log="$out/$target-$runs.log"
  start=$(date +%s%N)
  # A target may set its own options (a longer input, a time bound) in tests/fuzz/<target>.options.
  options=(-max_len=4096 -timeout="${FUZZ_TIMEOUT:-5}")
  [ ! -f "tests/fuzz/$target.options" ] || read -ra options <"tests/fuzz/$target.options"
  if ! (cd "$out" && "./$target" -runs="$runs" -seed=1 "${options[@]}" -rss_limit_mb=2048 \
      -artifact_prefix="$target-" "$target.corpus" >"$target-$runs.log" 2>&1); then
    echo "$target found a fault; see $log and $out/$target-*" >&2
    tail -30 "$log" >&2
    exit 1
  fi
  ms=$((($(date +%s%N) - start) / 1000000))
  done_runs=$(grep -ao 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || echo 0)
  total=$((total + done_runs))
  printf '%-22s %14d %8d.%d\n' "$target" "$done_runs" $((ms / 1000)) $((ms % 1000 / 100))
done
printf '%-22s %14d\n' total "$total"
