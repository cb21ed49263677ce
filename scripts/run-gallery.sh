#!/usr/bin/env bash
# Installs what is needed, builds the gallery and runs it. Arguments go to the gallery:
# --screenshots DIR writes one PNG per page and exits, with no display needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

build=${JVL_GALLERY_BUILD_DIR:-$root/build/release}
source "$root/scripts/build-env.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJVL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target gallery
exec dbus-run-session -- "$build/gallery/gallery" "$@"
