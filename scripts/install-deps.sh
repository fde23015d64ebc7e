#!/usr/bin/env bash
# Installs the Debian packages Nimbrel needs to build, test and run.
# Idempotent: installs only what is missing and says nothing when all is there.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-image-formats-plugins libgl-dev
    libxml2-dev libxslt1-dev libtidy-dev libcurl4-openssl-dev libssl-dev zlib1g-dev libseccomp-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xdg-utils python3
    dpkg-dev file desktop-file-utils appstream man-db systemd lintian
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

SUDO=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    SUDO=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
