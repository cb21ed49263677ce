#!/usr/bin/env bash
# Links kit/core's objects alone, against Qt Core and nothing else: the lowest folder of the kit
# must not reach into the folders above it, nor into Qt's GUI modules. Not part of the suite
# (it compiles kit/core once more, unoptimised, about a CPU-minute); run it after changing what
# kit/core includes. Usage: scripts/check-core-alone.sh [build folder, default /tmp/kit-core-alone]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-/tmp/kit-core-alone}
mkdir -p "$out"
cxx=${CXX:-clang++}
flags=(-std=c++20 -fPIC -O0 -Wall -Wextra -Wpedantic -Werror -I"$root" $(pkg-config --cflags Qt6Core))
printf '%s\n' "$root"/kit/core/*.cpp | xargs -P "${JOBS:-2}" -I{} sh -c \
  '"$0" "$@" -c "{}" -o "'"$out"'/$(basename "{}" .cpp).o"' "$cxx" "${flags[@]}"
"$cxx" -shared -Wl,--no-undefined -o "$out/libkitcore.so" "$out"/*.o $(pkg-config --libs Qt6Core)
echo "kit/core links alone against Qt Core: $out/libkitcore.so"
