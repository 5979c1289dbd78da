#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and look at the viewer.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config git
  clang libclang-rt-dev
  libicu-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  libgl-dev libvulkan-dev libxkbcommon-dev
  xvfb xauth imagemagick fonts-noto-cjk
  ripgrep
  libsqlite3-dev
  g++-mingw-w64-x86-64-posix wine wine64
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
