#!/usr/bin/env bash
# Installs what is missing, builds a release of Quarn and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/scripts/setup.sh"
quarn_install_packages

build="$here/build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARN_BUILD_TESTS=OFF
cmake --build "$build" --parallel

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: start Quarn from a desktop session (or set QT_QPA_PLATFORM)." >&2
    echo "The program is built at $build/quarn." >&2
    exit 1
fi
exec "$build/quarn" "$@"
