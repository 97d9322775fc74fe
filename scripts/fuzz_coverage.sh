#!/usr/bin/env bash
# Line coverage of the parsers of outside bytes reached by the fuzz targets:
# every target runs once over its committed corpus and, when there is one, the
# corpus that scripts/fuzz.sh grew in build/fuzz/corpus. Prints llvm-cov's
# report for the parser files; the merged profile stays in build/fuzz-coverage.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(transaction discovery_response discovery params artnet names_file patch_file rig)
parsers=(rdm/transport.cpp rdm/discovery.cpp sim/rdm_request.cpp
         params/supported_pids.cpp params/device_info.cpp params/status_text.cpp
         params/labels.cpp params/channel_values.cpp
         artnet/art_dmx.cpp artnet/art_poll.cpp
         devices/names_list.cpp devices/patch_file.cpp sim/rig.cpp base/win1252.cpp)

tool() { command -v "$1-14" || command -v "$1"; }
profdata=$(tool llvm-profdata)
cov=$(tool llvm-cov)

cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage
out=build/fuzz-coverage/profiles
rm -rf "$out"
mkdir -p "$out"
objects=()
for t in "${targets[@]}"; do
  corpora=("fuzz/corpus/$t")
  [[ -d build/fuzz/corpus/$t ]] && corpora+=("build/fuzz/corpus/$t")
  LLVM_PROFILE_FILE="$out/$t.profraw" ASAN_OPTIONS=detect_leaks=0 \
    "build/fuzz-coverage/fuzz/${t}_fuzz" -runs=0 "${corpora[@]}" >/dev/null 2>&1
  objects+=(-object "build/fuzz-coverage/fuzz/${t}_fuzz")
done
"$profdata" merge -sparse "$out"/*.profraw -o build/fuzz-coverage/fuzz.profdata
"$cov" report "${objects[@]:1}" -instr-profile=build/fuzz-coverage/fuzz.profdata \
  >build/fuzz-coverage/report.txt
# The report covers every file the targets link; keep the parsers' rows and
# add up their lines (columns 8 and 9: lines, missed lines).
awk -v files="${parsers[*]}" '
  BEGIN { n = split(files, f, " "); for (i = 1; i <= n; ++i) want[f[i]] = 1 }
  $1 in want { printf "%-28s %5d lines %6.2f%%\n", $1, $8, $10; lines += $8; missed += $9 }
  END { printf "%-28s %5d lines %6.2f%%\n", "parser files", lines, 100 * (lines - missed) / lines }
' build/fuzz-coverage/report.txt
