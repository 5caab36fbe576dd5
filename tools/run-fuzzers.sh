#!/usr/bin/env bash
# run-fuzzers.sh - runs every libFuzzer target in a bin folder for a fixed time each.
#
#   tools/run-fuzzers.sh BIN_DIR [SECONDS_PER_TARGET]   (default 30)
#
# fuzz_<name> starts from a copy of fuzz/corpus/<name>/, so the committed seeds
# stay as they are; new inputs it finds are thrown away with the copy. Any
# crash, leak, sanitizer report or timeout fails the run; the input that caused
# it is kept under fuzz-artifacts/<name>/ in the current directory.
set -u

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 BIN_DIR [SECONDS_PER_TARGET]" >&2
  exit 2
fi
bin_dir=$1
seconds=${2:-30}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [[ $seconds -eq 0 ]]; then
  echo "run-fuzzers: seconds must be a positive whole number, got '$seconds'" >&2
  exit 2
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

shopt -s nullglob
targets=("$bin_dir"/fuzz_*)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "run-fuzzers: no fuzz_* programs in '$bin_dir' (configure with KAZ_FUZZ=ON and build them first)" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kaz-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=()
for target in "${targets[@]}"; do
  [[ -x $target && -f $target ]] || continue
  name=$(basename "$target")
  name=${name#fuzz_}
  corpus="$work/corpus-$name"
  mkdir -p "$corpus"
  if [[ -d $repo/fuzz/corpus/$name ]]; then
    cp -R "$repo/fuzz/corpus/$name/." "$corpus/"
  else
    echo "run-fuzzers: warning: no seed corpus fuzz/corpus/$name, starting empty" >&2
  fi
  artifacts="fuzz-artifacts/$name/"
  mkdir -p "$artifacts"

  echo "== fuzz_$name: ${seconds}s from $(find "$corpus" -type f | wc -l) seeds"
  log="$work/$name.log"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1
  status=$?
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done )' "$log"
  if [[ $status -ne 0 ]]; then
    echo "run-fuzzers: fuzz_$name FAILED (exit $status); tail of its output:" >&2
    tail -n 40 "$log" >&2
    failed+=("$name")
  else
    rmdir "$artifacts" 2>/dev/null
  fi
done
rmdir fuzz-artifacts 2>/dev/null

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "run-fuzzers: failures in: ${failed[*]} (inputs kept under fuzz-artifacts/)" >&2
  exit 1
fi
echo "run-fuzzers: all targets ran clean"
