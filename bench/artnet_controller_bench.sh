#!/bin/sh
# Usage: artnet_controller_bench.sh [TIMING_BENCH]. The Art-Net controller's
# rows of timing_bench (the table fetch and the GET round trip) against olad
# as the node, with its Dummy RDM responders, across a veth pair between two
# network namespaces, as in app_ola_node_e2e_test. Needs root (or
# CAP_SYS_ADMIN and CAP_NET_ADMIN) and the Debian package ola. Further
# arguments go to the benchmark (--benchmark_repetitions=5, ...).
here=$(cd "$(dirname "$0")" && pwd)
bench=${1:-$here/../build/dev/bench/timing_bench}
bench=$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")
[ $# -gt 0 ] && shift
[ -x "$bench" ] || {
  echo "no timing_bench at $bench: build it first (cmake --build --preset dev)" >&2
  exit 1
}
tag=bench
report() {
  echo "--- olad's log (last 50 lines):"
  tail -n 50 "$work/olad.log" 2>/dev/null
}
. "$here/../app/tests/e2e_netns.sh"

start_ola_node
ola ola_rdm_discover -u 0 || fail "ola_rdm_discover on olad's universe"
echo "olad's universe 0: $(grep -Ec '^[0-9a-f]{4}:[0-9a-f]{8}$' "$work/ola.out") RDM responders"
in_ctl env KORVAL_BENCH_ARTNET_NODE="$node_ip" "$bench" --benchmark_filter=ArtNet "$@"
