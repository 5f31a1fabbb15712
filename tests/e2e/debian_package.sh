#!/usr/bin/env bash
# Makes the Debian package with CPack and looks inside: its fields, the runtime libraries it
# declares, its files, and the program unpacked from it, started from another folder, finding
# its tool folder.
# Argument: the build folder.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
deb="$(find "$work" -maxdepth 1 -name 'pliego_*.deb')"
[ -n "$deb" ] || { echo "no package was made" >&2; exit 1; }
dpkg-deb -I "$deb"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
[ "$(dpkg-deb -f "$deb" Package)" = pliego ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libtiff6 libgif7 libjpeg62-turbo libpng16-16 \
    imagemagick tesseract-ocr-spa tesseract-ocr-eng; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends does not name $needed"
done
contents="$(dpkg-deb -c "$deb")"
for file in ./usr/bin/pliego ./usr/share/pliego/imgmagic/DejaVuSans.ttf \
    ./usr/share/applications/pliego.desktop ./usr/share/icons/hicolor/scalable/apps/pliego.svg; do
    grep -Fq " $file" <<<"$contents" || fail "the package holds no $file"
done

dpkg-deb -x "$deb" "$work/root"
mkdir -p "$work/elsewhere"
fonts="$(cd "$work/elsewhere" && printf 'print MagicNonFont.List\n' |
    "$work/root/usr/bin/pliego" --script -)"
grep -Fxq 'MagicNonFont.List[1] = DejaVuSans.ttf' <<<"$fonts" ||
    fail "the packaged program did not find its tool folder"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "package $(basename "$deb") checked"
