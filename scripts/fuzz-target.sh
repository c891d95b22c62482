# Sourced by each fuzz target's run_fuzz.sh: builds one libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time on a fresh copy of its seed corpus.
#   run_fuzz_target <seconds | build> <work folder> <seed corpus> <program name> <longest input> <clang arguments...>
# "build" only builds the program and writes its dependencies (<work>/<name>.d, for the build system);
# a number runs it for that many seconds, building it first when the work folder has none. The run is
# bounded by time alone, so a slow machine fuzzes fewer inputs instead of running longer.
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
  mkdir -p "$work"
  if [ "$seconds" = build ] || [ ! -x "$work/$name" ]; then
    fuzz_target_build "$cxx" "$work" "$name" "$@" || return
  fi
  [ "$seconds" = build ] && return 0
  # A corpus grown by earlier runs would make the start-up (which the time bound does not cover) longer
  # with every run: each run starts again from the seeds.
  rm -rf "$work/corpus"
  mkdir -p "$work/corpus"
  cp "$seeds"/* "$work/corpus/"
  (cd "$work" && "./$name" -max_total_time="$seconds" -max_len="$longest" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus)
}

# <clang++> <work folder> <program name> <clang arguments...>: the program, then one make rule naming every
# source and header it was built from. The program appears in one rename, so an interrupted build leaves none.
fuzz_target_build() {
  local cxx="$1" work="$2" name="$3"
  shift 3
  local flags=() sources=() argument
  for argument in "$@"; do
    case "$argument" in
      *.cpp) sources+=("$argument") ;;
      -I* | -D* | -std=*) flags+=("$argument") ;;
    esac
  done
  "$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined "$@" \
    -o "$work/$name.new" || return
  {
    printf '%s:' "$work/$name"
    for argument in "${sources[@]}"; do
      "$cxx" -std=c++20 "${flags[@]}" -MM -MT fuzz "$argument" || return
    done | sed -e 's/^fuzz://' -e 's/\\$//' | tr ' ' '\n' | sed '/^$/d' | sort -u | sed 's/^/ /' | tr -d '\n'
    echo
  } > "$work/$name.d.new" || return
  mv "$work/$name.d.new" "$work/$name.d"
  mv "$work/$name.new" "$work/$name"
}
