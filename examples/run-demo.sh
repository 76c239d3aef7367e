#!/usr/bin/env bash
# Builds the host and both plug-ins (build/linux) and runs the example session over the demo
# instrument. With --windows: the MinGW-w64 build (build/windows), run under Wine.
# The transcript goes to standard output, the error log of the host and plug-ins to
# build/<preset>/demo-errors.log.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=linux
emulator=()
host_suffix=""
if [ "${1:-}" = "--windows" ]; then
  preset=windows
  emulator=(wine)
  host_suffix=.exe
  export WINEDEBUG=-all
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target mmachhost
host="$PWD/build/$preset/bin/mmachhost$host_suffix"
log="$PWD/build/$preset/demo-errors.log"
rm -f "$log"
cd examples
"${emulator[@]}" "$host" --error-log="$log" demo.host.ini demo.session
