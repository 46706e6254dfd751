#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each of them.
#
#   scripts/fuzz.sh short [FLAG...]             about a minute in all (part of scripts/test.sh)
#   scripts/fuzz.sh long [seconds] [FLAG...]    each target for the given time, 600 by default,
#                                               two at a time
#
# FLAGs go to libFuzzer as they are, e.g. -len_control=0, so that long inputs are tried
# from the start rather than after the fuzzer has grown its lengths slowly.
#
# Every run first replays the inputs kept in tests/fuzz/regressions/<target>/, then fuzzes
# from the seeds the target writes itself. The long run also keeps its corpus between runs
# in build/fuzz/work/<target>/corpus; the short one starts afresh each time, because
# libFuzzer runs a whole corpus before its time limit applies. A crash, a sanitizer report, a leak, a hang or a broken promise of the
# harness fails the script; the input is copied to tests/fuzz/regressions/<target>/, to be
# committed with the fix, and can be replayed with build/fuzz/bin/<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/fuzz.sh short [FLAG...] | long [seconds] [FLAG...]   (FLAG: a libFuzzer flag such as -len_control=0)" >&2
  exit 2
}
mode=${1:-short}
[ $# -gt 0 ] && shift
case "$mode" in
short) total=60 ;;
long)
  seconds=600
  if [[ ${1:-} =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
  fi
  ;;
*) usage ;;
esac
extra=()
for flag in "$@"; do
  [[ $flag == -?*=* ]] || usage
  extra+=("$flag")
done

scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLET_FUZZ=ON \
  -DQUILLET_TESTS=OFF >/dev/null
cmake --build build/fuzz -j "$(nproc)"

targets=()
for t in build/fuzz/bin/fuzz_*; do
  [ -x "$t" ] && targets+=("$(basename "$t")")
done
if [ "$mode" = short ]; then
  seconds=$((total / ${#targets[@]}))
  [ "$seconds" -lt 15 ] && seconds=15
fi

export QT_QPA_PLATFORM=offscreen
export QUILLET_ASSETS=$PWD/build/fuzz/bin
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Shorter allocation stacks: a third faster, and reports still show where memory came from.
# No __tls_get_addr interceptor, for the reason scripts/test.sh gives.
export ASAN_OPTIONS=malloc_context_size=10:intercept_tls_get_addr=0

# Runs one target; its output goes to build/fuzz/work/<target>/log.txt.
fuzz_one() {
  local target=$1 work=build/fuzz/work/$1
  local kept=tests/fuzz/regressions/$target findings=build/fuzz/findings/$target
  local corpus=$work/corpus
  [ "$mode" = short ] && corpus=$work/short-corpus && rm -rf "$corpus"
  rm -rf "$work/seeds" "$findings"
  mkdir -p "$corpus" "$findings" "$kept"
  build/fuzz/bin/"$target" -write_seeds="$work/seeds" 2>/dev/null
  # A single input that takes a minute is a hang; so is a transfer that does not end.
  local limits=(-timeout=60 -rss_limit_mb=3072)
  if [ "$target" = fuzz_memorytext ]; then
    # Texts that stall or inflate the import are tens of kilobytes long, and any text is
    # read in well under a second and 256 MB: a slower or larger one is a finding.
    limits=(-timeout=1 -rss_limit_mb=512 -max_len=262144 -dict=tests/fuzz/memorytext.dict)
  fi
  {
    local regressions=()
    for f in "$kept"/*; do
      case "$(basename "$f")" in *.md | .*) ;; *) [ -f "$f" ] && regressions+=("$f") ;; esac
    done
    if [ ${#regressions[@]} -gt 0 ]; then
      echo "== replaying ${#regressions[@]} kept input(s)"
      build/fuzz/bin/"$target" -runs=1 "${limits[@]}" "${regressions[@]}" || return 1
    fi
    echo "== fuzzing for $seconds s"
    build/fuzz/bin/"$target" -max_total_time="$seconds" "${limits[@]}" ${extra[@]+"${extra[@]}"} \
      -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "$work/seeds"
  } >"$work/log.txt" 2>&1
}

report() {
  local target=$1 status=$2 log=build/fuzz/work/$1/log.txt
  local runs rate
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  if [ "$status" -eq 0 ]; then
    echo "$target: no finding in $seconds s (${runs:-?} executions, ${rate:-?}/s)"
    return 0
  fi
  echo "$target: FINDING — see $log"
  grep -E '^(==[0-9]+== ?ERROR|SUMMARY|\*\*\* Broken promise|    .*)$|runtime error|ALARM|Test unit written' "$log" | head -40 || true
  for f in build/fuzz/findings/"$target"/*; do
    [ -f "$f" ] || continue
    cp "$f" tests/fuzz/regressions/"$target"/
    echo "kept as tests/fuzz/regressions/$target/$(basename "$f")"
  done
  return 1
}

failed=0
if [ "$mode" = long ]; then
  # Two at a time: the machine this runs on has two cores.
  for ((i = 0; i < ${#targets[@]}; i += 2)); do
    pids=()
    for t in "${targets[@]:i:2}"; do
      fuzz_one "$t" &
      pids+=($!)
    done
    j=0
    for t in "${targets[@]:i:2}"; do
      status=0
      wait "${pids[j]}" || status=$?
      report "$t" "$status" || failed=1
      j=$((j + 1))
    done
  done
else
  for t in "${targets[@]}"; do
    status=0
    fuzz_one "$t" || status=$?
    report "$t" "$status" || failed=1
  done
fi
exit $failed
