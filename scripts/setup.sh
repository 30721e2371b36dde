#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Quick when everything is there already: apt-get runs only for what is missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-translations-l10n libsqlite3-dev
    libgl-dev libxcb1-dev
    libfontconfig-dev
    libsodium-dev libbenchmark-dev
    fonts-wqy-zenhei
    xvfb xauth xdotool x11-utils imagemagick openbox
    libglib2.0-bin dbus gsettings-desktop-schemas mate-desktop-common cinnamon-desktop-data
    xfconf libxfconf-0-3
    clang libclang-rt-14-dev
    dpkg-dev file desktop-file-utils appstream groff-base lintian
    poppler-utils python3-icalendar unrtf pandoc
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
