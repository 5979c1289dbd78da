#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and look at the viewer.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config git python3 clang-format
  clang libclang-rt-dev
  libicu-dev
  libsqlite3-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  libgl-dev libvulkan-dev libxkbcommon-dev
  xvfb xauth imagemagick fonts-noto-cjk
  ripgrep
  nodejs default-jre-headless
  libsqlite3-dev
  g++-mingw-w64-x86-64-posix wine wine64
  # the Debian package (make package) and its checks
  dpkg-dev file help2man lintian appstream desktop-file-utils shared-mime-info bash-completion
  xdg-utils libglib2.0-bin xdotool
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# npm comes with some builds of nodejs and as a package of its own with others.
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "install-deps: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The HTML checker that the tests run on exported sites (a jar from npm,
# run by Java, offline once installed) in build/tools. Without a registry
# the check is skipped, not failed.
VNU_JAR=build/tools/node_modules/vnu-jar/build/dist/vnu.jar
if [ ! -f "$VNU_JAR" ] && command -v npm >/dev/null 2>&1; then
  mkdir -p build/tools
  npm install --prefix build/tools --no-audit --no-fund --silent vnu-jar@26.9.27 >/dev/null 2>&1 ||
    echo "install-deps: vnu-jar could not be installed; the HTML check will be skipped" >&2
fi
