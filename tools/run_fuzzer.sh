#!/bin/sh
# Runs one libFuzzer target for $VIDIDER_FUZZ_SECONDS (default 10) from its
# seed folder, which it only reads. The inputs it learns go to WORK/corpus
# and are reused by the next run; a crashing input goes to WORK/artifacts.
#
#   tools/run_fuzzer.sh FUZZER SEEDS WORK
#
# Exit status: 0 when nothing broke in that time, else the fuzzer's.
set -eu
fuzzer=$1 seeds=$2 work=$3
seconds=${VIDIDER_FUZZ_SECONDS:-10}
mkdir -p "$work/corpus" "$work/artifacts"
echo "[fuzz] $(basename "$fuzzer") for $seconds s from $seeds"
# -timeout: one input that takes 10 s is a hang; -max_len: longer than any
# command line a desktop or a shell hands over in practice.
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" || status=$?
if [ "$status" -ne 0 ]; then
  echo "[fuzz] $(basename "$fuzzer") found a fault; its input is in $work/artifacts:" >&2
  ls -l "$work/artifacts" >&2
fi
exit $status
