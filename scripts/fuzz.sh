#!/usr/bin/env bash
# Fuzzes one target for a number of seconds: scripts/fuzz.sh TARGET SECONDS [libFuzzer options]
# TARGET is one of: transaction discovery_response discovery params artnet
# names_file patch_file rig. New inputs go to build/fuzz/corpus/TARGET, seeded
# from the committed fuzz/corpus/TARGET, which stays as it is; a crash is kept
# as build/fuzz/crash-*. Builds the fuzz preset first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# < 2)); then
  echo "usage: $0 TARGET SECONDS [libFuzzer options]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [[ ! -d fuzz/corpus/$target ]]; then
  echo "$0: no target \"$target\" (see fuzz/corpus/)" >&2
  exit 2
fi

[[ -f build/fuzz/build.ninja ]] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzz" >/dev/null

work=build/fuzz/corpus/$target
mkdir -p "$work"
exec "build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build/fuzz/ "$@" "$work" "fuzz/corpus/$target"
