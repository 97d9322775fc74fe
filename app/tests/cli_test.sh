#!/bin/sh
# Usage: cli_test.sh PROGRAM RIG_FOLDER. Checks the exit status and the message
# of the program's options without opening a window.
program=$1
rigs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

expect() {  # expect STATUS TEXT-ON-OUTPUT ARGS...
  status=$1 text=$2
  shift 2
  "$program" "$@" >"$work/out" 2>&1
  got=$?
  if [ "$got" -eq "$status" ] && grep -qF -- "$text" "$work/out"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $* -> status $got (want $status), output:"
    cat "$work/out"
  fi
}

printf '{ "responders": [ { "uid": "xyz" } ] }' >"$work/bad.json"
printf '{ "timing": "instant", "responders": [], "colour": 1 }' >"$work/unknown.json"
# A responder's category nested 100000 levels deep.
awk 'BEGIN {
  printf "{\"responders\":[{\"uid\":\"4B52:00000101\",\"category\":"
  for (i = 0; i < 100000; i++) printf "{\"a\":"
  printf "1"
  for (i = 0; i < 100000; i++) printf "}"
  printf "}]}"
}' >"$work/deep.json"

# expect_one_line STATUS TEXT ARGS...: exactly one line on stderr, nothing on stdout.
expect_one_line() {
  status=$1 text=$2
  shift 2
  "$program" "$@" >"$work/stdout" 2>"$work/stderr"
  got=$?
  if [ "$got" -eq "$status" ] && [ ! -s "$work/stdout" ] && [ "$(wc -l <"$work/stderr")" -eq 1 ] &&
    grep -qF -- "$text" "$work/stderr"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $* -> status $got (want $status), stderr:"
    head -c 500 "$work/stderr"
  fi
}

expect 0 "KORVAL RDM Setup V1.0.2" --version
expect 0 "--virtual-rig FILE" --help
expect 2 "unknown option: --bogus" --bogus
expect 2 "--virtual-rig needs a rig file" --virtual-rig
expect 2 "missing.json" --virtual-rig "$work/missing.json"
expect 2 "bad.json" --virtual-rig "$work/bad.json"
expect 2 "colour" --virtual-rig "$work/unknown.json"
expect 2 "--demo and --virtual-rig exclude each other" --demo --virtual-rig "$rigs/example.json"
expect 0 "--rdm-timing MODE" --help
expect 2 '--rdm-timing: unknown mode "fast" (use classic or e120)' --rdm-timing fast
expect 2 '--rdm-timing: unknown mode "E120"' --rdm-timing=E120 --demo
expect 2 "--rdm-timing needs a mode: classic or e120" --rdm-timing
expect 2 "--rdm-timing needs a mode" --rdm-timing --demo
expect_one_line 2 "deep.json: nested more than 64 levels deep" --virtual-rig "$work/deep.json"

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
