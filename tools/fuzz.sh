#!/usr/bin/env bash
# Runs the libFuzzer targets of the fuzzing build, one at a time, each until
# it has used the given CPU time (default 600 s), at the lowest priority.
#
#   tools/fuzz.sh [CPU-SECONDS] [TARGET...]     targets: pictures strings hangman help profile
#
# The working corpus grows in build-fuzz/corpus/<target>, seeded with the
# program's own file and tests/fuzz/corpus/<target>; inputs that crash land in
# build-fuzz/artifacts/<target>/ and belong in tests/fuzz/corpus/<target>/ as
# regression cases. Each target's CPU time, executions and coverage go to
# build-fuzz/fuzz-<target>.log.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-fuzz
budget=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(pictures strings hangman help profile)

seed_of() {
  case "$1" in
    pictures) echo "$here/assets/bilder.crp" ;;
    strings) echo "$here/assets/lang.crp" ;;
    hangman) echo "$here/assets/hangman.crp" ;;
    help) echo "$here/assets/TAMIRO.HLP" ;;
    *) echo "" ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/tests/lsan.supp:print_suppressions=0

for target in "${targets[@]}"; do
  program=$build/tests/fuzz_$target
  [ -x "$program" ] || { echo "no fuzz target $target (build $build first)" >&2; exit 2; }
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target/
  mkdir -p "$corpus" "$artifacts"
  seed=$(seed_of "$target")
  [ -n "$seed" ] && cp -n "$seed" "$corpus/"
  cp -n "$here/tests/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
  log=$build/fuzz-$target.log
  : > "$log"
  used=0
  # Chunks of wall time until the CPU time is spent: the machine is shared,
  # so wall time and CPU time differ.
  while [ "$used" -lt "$budget" ]; do
    left=$((budget - used))
    status=0
    /usr/bin/time -f "cpu %U %S" -o "$build/time-$target" \
      nice -n 19 "$program" -max_total_time="$left" -max_len=8192 -timeout=5 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >>"$log" 2>&1 || status=$?
    chunk=$(awk '/^cpu/ { printf "%d", $2 + $3 }' "$build/time-$target")
    used=$((used + chunk))
    echo "chunk: exit $status, cpu ${chunk} s, total ${used} s" >>"$log"
    [ "$status" -ne 0 ] && break
    [ "$chunk" -eq 0 ] && break
  done
  echo "$target: cpu ${used} s; $(grep -E '^#[0-9]+' "$log" | tail -1)"
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" | tail -2 || true
  ls "$artifacts"
done
