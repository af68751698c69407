#!/bin/sh
# Runs one libFuzzer target for a few seconds: new inputs go to a scratch
# corpus in the build tree, the committed corpus is only read; crashes land
# in <work>/artifacts and fail the test.
# Arguments: fuzzer binary, committed corpus dir, work dir, seconds.
set -eu
bin=$1 corpus=$2 work=$3 seconds=$4
mkdir -p "$work/new" "$work/artifacts" "$corpus"
exec "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/new" "$corpus"
