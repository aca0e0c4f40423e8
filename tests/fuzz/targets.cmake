# Every fuzz target (tests/fuzz/<target>.cpp) with the product sources it links, one a line.
# scripts/fuzz.sh reads this list; tests/CMakeLists.txt checks it and runs the short campaign.
set(lumora_fuzz_targets
  "fuzz_first_line: platform/common/first_line.cpp"
  "fuzz_intake: poster/text_rules.cpp platform/common/text.cpp"
  "fuzz_form_encoding: poster/web/form_encoding.cpp platform/common/reply_text.cpp platform/common/text.cpp"
  "fuzz_reply_rules: poster/web/reply_rules.cpp platform/common/text.cpp"
  "fuzz_reply_text: platform/common/reply_text.cpp platform/common/text.cpp"
  "fuzz_web_url: platform/common/web_url.cpp platform/common/text.cpp"
  "fuzz_link: poster/link_intake.cpp poster/mastodon/mastodon.cpp platform/common/graphemes.cpp poster/web/json_reader.cpp poster/web/reply_rules.cpp poster/text_rules.cpp platform/common/reply_text.cpp platform/common/text.cpp"
  "fuzz_json_reply: poster/web/json_reader.cpp poster/mastodon/mastodon.cpp platform/common/graphemes.cpp poster/mastodon/mastodon_texts.cpp poster/web/form_post.cpp poster/web/form_encoding.cpp poster/web/reply_rules.cpp poster/text_rules.cpp platform/common/reply_text.cpp platform/common/text.cpp platform/common/web_url.cpp"
  "fuzz_mastodon_reply: poster/mastodon/mastodon.cpp platform/common/graphemes.cpp poster/web/json_reader.cpp poster/web/reply_rules.cpp poster/text_rules.cpp platform/common/reply_text.cpp platform/common/text.cpp"
  "fuzz_mastodon_count: poster/mastodon/mastodon.cpp platform/common/graphemes.cpp poster/web/json_reader.cpp poster/web/reply_rules.cpp poster/text_rules.cpp platform/common/reply_text.cpp platform/common/text.cpp"
)
