#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs them all in parallel, niced, for
# SECONDS each (default 480), starting from the committed corpus. New inputs collect in
# build-fuzz/fuzz-work/<target>; crashes land in build-fuzz/fuzz-artifacts/<target>. With
# --merge, the committed corpus is then replaced by a small set (edges only, not hit counts)
# covering both.
#   scripts/fuzz.sh [--merge] [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

merge=0
if [ "${1:-}" = "--merge" ]; then merge=1; shift; fi
seconds=${1:-480}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(api_answers subscription_answers traffic_lines settings_file stand_in_request
  announcement_html payment_images traffic_query public_ip version_compare proxy_state single_instance_reader
  packet_filter_rules)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORAND_FUZZ=ON \
  -DVELMORAND_BUILD_TESTS=OFF -DVELMORAND_BUILD_BENCH=OFF >/dev/null
nice cmake --build build-fuzz --parallel 4 --target "${targets[@]/#/fuzz_}"

for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/fuzz-work/$t" "build-fuzz/fuzz-artifacts/$t"
  dict=()
  case "$t" in
    api_answers|subscription_answers|settings_file|public_ip) dict=(-dict=fuzz/json.dict) ;;
    announcement_html) dict=(-dict=fuzz/html.dict) ;;
    packet_filter_rules) dict=(-dict=fuzz/pf.dict) ;;
  esac
  # The announcement's conversion must stay quick: an input that takes seconds is a finding. Its
  # inputs reach well past the 16384 characters the bound keeps from the start (not grown slowly
  # from the corpus's lengths), so that the bound is tried in full.
  timeout=10 lengths=(-max_len=8192)
  [ "$t" = announcement_html ] && timeout=2 lengths=(-max_len=65536 -len_control=0)
  # Each line with the seconds since its fuzzer started, to tell when the last new edge came.
  (
    SECONDS=0
    nice -n 10 "build-fuzz/bin/fuzz_$t" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 \
      "${lengths[@]}" "${dict[@]}" -artifact_prefix="build-fuzz/fuzz-artifacts/$t/" "build-fuzz/fuzz-work/$t" \
      "fuzz/corpus/$t" 2>&1 | while IFS= read -r line; do printf '%4ds %s\n' "$SECONDS" "$line"; done
  ) >"build-fuzz/fuzz-$t.log" &
done
status=0
wait || status=$?
for t in "${targets[@]}"; do
  log="build-fuzz/fuzz-$t.log"
  echo "$t: $(grep -E '^ *[0-9]+s #[0-9]+' "$log" | tail -1)"
  echo "  last new edge after $(awk '/ cov: / { for (i = 1; i < NF; i++) if ($i == "cov:") c = $(i + 1);
    if (c != seen) { seen = c; when = $1 } } END { print when }' "$log")"
  ls "build-fuzz/fuzz-artifacts/$t"
done

if [ $merge -eq 1 ]; then
  for t in "${targets[@]}"; do
    fresh="build-fuzz/fuzz-merged/$t"
    rm -rf "$fresh" && mkdir -p "$fresh"
    "build-fuzz/bin/fuzz_$t" -merge=1 -use_counters=0 "$fresh" "fuzz/corpus/$t" "build-fuzz/fuzz-work/$t" >/dev/null 2>&1
    rm -rf "fuzz/corpus/$t" && mv "$fresh" "fuzz/corpus/$t"
    echo "$t: $(ls "fuzz/corpus/$t" | wc -l) corpus files"
  done
fi
exit $status
