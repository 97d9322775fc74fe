#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool on its built-in virtual rig.
# Extra arguments go to the program (for example --log-file demo.log).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target korval-rdm

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting the window on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/dev/app/korval-rdm --demo "$@"
fi
exec build/dev/app/korval-rdm --demo "$@"
