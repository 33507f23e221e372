#!/bin/bash
# Installs what building, running and testing need on a Debian machine.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  libz-mingw-w64-dev cmake make nasm dpkg-dev googletest
  wine64 xvfb xdotool x11-apps imagemagick locales python3
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  libjpeg-turbo-progs libtiff-tools libvips-tools libimage-exiftool-perl libmypaint-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  cups printer-driver-cups-pdf poppler-utils ghostscript icc-profiles-free
  libvips-dev libmagickwand-dev
)

SUDO=""
if [ "$(id -u)" != 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "setup: run as root or install sudo" >&2; exit 1; fi
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The programs run with the Japanese ANSI code page (932), which Wine takes from the locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  if [ -f /etc/locale.gen ] && grep -q 'ja_JP.UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  else
    echo "ja_JP.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
