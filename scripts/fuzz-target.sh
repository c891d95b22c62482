# Sourced by each fuzz target's run_fuzz.sh: builds one libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time on a copy of its seed corpus.
#   run_fuzz_target <seconds> <work folder> <seed corpus> <program name> <longest input> <clang arguments...>
# Status: 0 when no input failed, 77 without clang++, non-zero otherwise (the failing input lands in the
# work folder).
run_fuzz_target() {
  local seconds="$1" work="$2" seeds="$3" name="$4" longest="$5"
  shift 5
  local cxx="${CLANGXX:-$(command -v clang++ || command -v clang++-14 || true)}"
  if [ -z "$cxx" ]; then
    echo "clang++ not found: the fuzzer is not built" >&2
    return 77
  fi
  mkdir -p "$work/corpus"
  "$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined "$@" -o "$work/$name"
  cp "$seeds"/* "$work/corpus/"
  (cd "$work" && "./$name" -max_total_time="$seconds" -max_len="$longest" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus)
}
