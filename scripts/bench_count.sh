#!/usr/bin/env bash
# Benchmark (not a test) of the Mastodon-compatible counter and cut on texts full of links: the
# time of one count (as each keystroke makes it) and one cut, optimised as shipped (-O2), for
# the working tree's poster/mastodon/mastodon.cpp and, in the same run, for that file at REVISION
# (where it may still be poster/web/mastodon.cpp).
#   scripts/bench_count.sh [REVISION]    default main
set -euo pipefail
cd "$(dirname "$0")/.."
revision=${1:-main}
out=build/bench_count
mkdir -p "$out/generated" "$out/before/poster/web" "$out/before/poster/mastodon"
python3 platform/common/make_grapheme_tables.py \
  /usr/share/unicode/auxiliary/GraphemeBreakProperty.txt /usr/share/unicode/emoji/emoji-data.txt \
  "$out/generated/grapheme_runs.inc"
before=poster/web/mastodon
git cat-file -e "$revision:poster/mastodon/mastodon.cpp" 2>/dev/null && before=poster/mastodon/mastodon
git show "$revision:$before.cpp" >"$out/before/$before.cpp"
git show "$revision:$before.h" >"$out/before/$before.h"

cat >"$out/bench.cpp" <<'CPP'
#include <chrono>
#include <cstdio>
#include <string>

#include "poster/mastodon/mastodon.h"

namespace {
template <typename Work>
double Milliseconds(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// 48,000 units or a little more: over the limit of 40,000 whether links count or not.
std::u16string Repeated(const std::u16string& piece) {
  std::u16string text;
  while (text.size() < 48000) text += piece;
  return text;
}
}  // namespace

int main() {
  using namespace poster::web;
  std::size_t sink = 0;
  for (const char* piece : {"http://-", "http://a "}) {
    const std::u16string text = Repeated(std::u16string(piece, piece + 8 + (piece[7] == 'a')));
    std::printf("  \"%s\" x %zu (%zu units): count %9.2f ms, cut to 40,000 %9.2f ms\n", piece,
                text.size() / (8 + (piece[7] == 'a')), text.size(),
                Milliseconds([&] { sink += MastodonLength(text, 23); }),
                Milliseconds([&] { sink += CutToLimit(text, {40000, 23}).size(); }));
  }
  return sink == 0;
}
CPP

sources="platform/common/graphemes.cpp poster/web/json_reader.cpp poster/web/reply_rules.cpp
  poster/text_rules.cpp platform/common/reply_text.cpp platform/common/text.cpp"
for which in before after; do
  mastodon=poster/mastodon/mastodon.cpp
  [ "$which" = after ] || mastodon="$out/before/$before.cpp"
  g++ -std=c++20 -O2 -I"$out/$which" -I. -I"$out/generated" -I/usr/include "$out/bench.cpp" \
    "$mastodon" $sources \
    -o "$out/bench_$which"
done
echo "before ($revision):"
"$out/bench_before"
echo "after (working tree):"
"$out/bench_after"
