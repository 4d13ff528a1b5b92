#!/usr/bin/env bash
# Installs every Debian package needed to build, test and run Tessary.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential
  cmake
  ninja-build
  pkg-config
  clang-format
  qt6-base-dev
  qt6-base-dev-tools
  qt6-charts-dev
  libqt6opengl6-dev
  libqt6svg6
  qt6-qpa-plugins
  qt6-translations-l10n
  libcurl4-openssl-dev
  libssl-dev
  libsystemd-dev
  curl
  rapidjson-dev
  tzdata
  libicu-dev
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  dbus-daemon
  iproute2
  fonts-dejavu-core
  poppler-utils
  prometheus
  # What comes with the program and the checks of the Debian package.
  scdoc
  librsvg2-bin
  appstream
  desktop-file-utils
  lintian
  systemd
  bash-completion
  zsh
  fish
)

# `install-deps.sh fuzz` adds clang and libFuzzer for `make fuzz`.
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
