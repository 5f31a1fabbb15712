#!/bin/bash
# Installs the Debian packages that the benchmark needs, and only those that are missing.
# Run as root (or with sudo available). Safe to run again: it does nothing when all are present.
set -euo pipefail

# package -> a file that proves it is installed
declare -A needs=(
    [imagemagick]=/usr/bin/convert-im6.q16
    [unpaper]=/usr/bin/unpaper
    [libleptonica-dev]=/usr/include/leptonica/allheaders.h
    [libvips-tools]=/usr/bin/vips
    [libvips-dev]=/usr/include/vips/vips8
    [libjpeg62-turbo-dev]=/usr/include/jpeglib.h
    [pkgconf]=/usr/bin/pkg-config
    [libjpeg-turbo-progs]=/usr/bin/djpeg
    [time]=/usr/bin/time
    [util-linux]=/usr/bin/taskset
    [qt6-base-dev]=/usr/lib/x86_64-linux-gnu/cmake/Qt6/Qt6Config.cmake
    [cmake]=/usr/bin/cmake
    [ninja-build]=/usr/bin/ninja
    [g++]=/usr/bin/g++
    [fonts-dejavu-core]=/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf
    # The book PDF: its peers, the text they find, and the PDF libraries it was chosen among.
    [img2pdf]=/usr/bin/img2pdf
    [ocrmypdf]=/usr/bin/ocrmypdf
    [poppler-utils]=/usr/bin/pdftotext
    [qpdf]=/usr/bin/qpdf
    [libqpdf-dev]=/usr/include/qpdf/QPDF.hh
    [libtesseract-dev]=/usr/include/tesseract/baseapi.h
    [tesseract-ocr-spa]=/usr/share/tesseract-ocr/5/tessdata/spa.traineddata
    [tesseract-ocr-eng]=/usr/share/tesseract-ocr/5/tessdata/eng.traineddata
    [libhpdf-dev]=/usr/include/hpdf.h
    [libpodofo-dev]=/usr/include/podofo/podofo.h
    [libcairo2-dev]=/usr/include/cairo/cairo-pdf.h
)

missing=()
for pkg in "${!needs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$pkg")
    elif [[ ! -e ${needs[$pkg]} ]]; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-bench-deps: everything is installed"
    exit 0
fi

if ((EUID == 0)); then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "install-bench-deps: missing ${missing[*]}; run this script as root" >&2
    exit 1
fi

echo "install-bench-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
