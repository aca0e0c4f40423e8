#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a number of executions, then prints the counts.
#   scripts/fuzz.sh [RUNS_PER_TARGET]    default 2,000,000 (12,000,000 in all)
# A target that finds a fault stops the script; its input is left in build/fuzz/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-2000000}
out=build/fuzz
mkdir -p "$out"
cxx=${CXX_FUZZ:-clang++}
flags=(-std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)

declare -A sources=(
  [fuzz_first_line]="platform/first_line.cpp"
  [fuzz_intake]="poster/text_rules.cpp platform/text.cpp"
  [fuzz_form_encoding]="poster/web/form_encoding.cpp"
  [fuzz_reply_rules]="poster/web/reply_rules.cpp platform/text.cpp"
  [fuzz_reply_text]="platform/reply_text.cpp platform/text.cpp"
  [fuzz_link]="poster/link_intake.cpp poster/text_rules.cpp platform/text.cpp"
)
targets=(fuzz_first_line fuzz_intake fuzz_form_encoding fuzz_reply_rules fuzz_reply_text fuzz_link)

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
  if ! (cd "$out" && "./$target" -runs="$runs" -seed=1 -max_len=4096 -rss_limit_mb=2048 \
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
