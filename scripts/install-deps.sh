#!/usr/bin/env bash
# Installs the Debian packages Pliego needs to build, run and test.
# Idempotent: only missing packages are installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-image-formats-plugins
  libgif-dev libtiff-dev libjpeg-dev libpng-dev libimagequant-dev libleptonica-dev
  imagemagick fonts-dejavu-core libtiff-tools
  libqpdf-dev libtesseract-dev tesseract-ocr-spa tesseract-ocr-eng
  qpdf poppler-utils
  xvfb xauth x11-utils
  dpkg-dev file desktop-file-utils
  # The tests: a shelf of books under GNU parallel; Ghostscript's fonts, which ImageMagick falls
  # back on for a font it cannot find, so that the tests run where a missing font would not fail.
  parallel fonts-urw-base35 ghostscript
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
