#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool on its built-in virtual rig.
# The tool keeps "devnames.lst" in the directory it is started from, which is the
# directory this script is called from. Extra arguments go to the program (for
# example --log-file demo.log).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
(cd "$root" && cmake --preset dev >/dev/null && cmake --build --preset dev --target korval-rdm)

program="$root/build/dev/app/korval-rdm"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting the window on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$program" --demo "$@"
fi
exec "$program" --demo "$@"
