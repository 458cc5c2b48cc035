#!/usr/bin/env bash
# Builds the fuzz preset and runs each libFuzzer target for a bounded time from its committed
# seed corpus. FUZZ_SECONDS sets the time per target (default: 30 seconds shared among them);
# TAVORINEX_FUZZ_BUILD the build tree (default build/fuzz). New inputs go to the build tree,
# never into the seeds. docs/fuzzing.md says how to run it longer.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TAVORINEX_FUZZ_BUILD:-build/fuzz}
targets=(settings command)
seconds=${FUZZ_SECONDS:-$((30 / ${#targets[@]}))}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  log="$build/$target-fuzz.log"
  echo "fuzz: $target for ${seconds}s"
  if ! "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="$artifacts/" "$work" "tests/fuzz/corpus/$target" \
      >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target found a failure; the input is in $artifacts" >&2
    exit 1
  fi
  tail -n 1 "$log"
done
