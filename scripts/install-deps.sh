#!/usr/bin/env bash
# Installs what the build, the tests and the gallery need on a Debian machine.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential clang libclang-rt-14-dev cmake ninja-build ccache pkg-config lld
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins qt6-pdf-dev
  libgl-dev libvulkan-dev
  libicu-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb1-dev libxcb-xtest0-dev libxcb-xkb-dev libxcb-keysyms1-dev libxcb-xfixes0-dev libxcb-shape0-dev
  libcurl4-openssl-dev libcanberra-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core xvfb xauth dbus dbus-x11 locales
  at-spi2-core python3-pyatspi
  # What the real-X11 tests run: in CI a missing one fails its test rather than skip it.
  openbox xdotool x11-xkb-utils
)

# One query for all: quick when everything is there.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | awk '$NF == "installed" && $(NF-1) == "ok" {print $1}' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<<"$installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The suite runs once more under a comma-decimal locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
