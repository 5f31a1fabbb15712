#!/usr/bin/env bash
# The program started in script mode as a batch job starts it: effects applied by ImageMagick
# during a crop batch, and a numbering batch over finished pages.
# Arguments: the program and the folder of the sample book.
set -uo pipefail
pliego="$1"
sample_book="$2"
program_folder="$(dirname "$pliego")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    printf 'FAIL [%s]: %s\n--- stdout\n%s\n--- stderr\n%s\n' "$case_name" "$*" \
        "$(cat "$work/out")" "$(cat "$work/err")" >&2
    failures=$((failures + 1))
}

# run FOLDER SCRIPT-TEXT: runs the script from standard input in FOLDER; sets $status.
run() {
    (cd "$1" && printf '%s\n' "$2" | "$pliego" --script -) >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "exit status $status"
    grep -q '^pliego: ' "$work/err" && fail "a statement was refused"
    [ -e "$program_folder/imgmagick.sh" ] && fail "the command script was left behind"
}

size() {
    identify -format '%wx%h' "$1" 2>/dev/null
}

case_name="effects during a batch"
book="$work/book"
mkdir -p "$book"
cp "$sample_book"/libro00[1-2].jpg "$book/"
run "$book" 'set CheckMagik 1
set cbMagikNon(0) Rotar
set lblMagicNon(0) 90
set cbMagicPar(1) "Escalar Tamaño"
set lblMagikPar(1) 50%
click AceptaConfig
select LocalFiles all
click CortaLote'
[ "$(grep -c '^ListaProceso: Efectos Postproduccion \.\.\.$' "$work/out")" -eq 4 ] ||
    fail "not every page went through the effects"
for page in libro001 libro003; do
    [ "$(size "$book/jpeg_big/$page.jpg")" = "958x695" ] || fail "$page.jpg is not turned"
done
for page in libro002 libro004; do
    [ "$(size "$book/jpeg_big/$page.jpg")" = "348x479" ] || fail "$page.jpg is not scaled"
done

# Pages cut from scans named by number are numbered: the odd pages get their number's label at
# full intensity at (300, 700), the changed area of each page lies inside the label, and the two
# pages carry different digits.
case_name="a numbering batch"
numbers="$work/numbers"
mkdir -p "$numbers"
cp "$sample_book/libro001.jpg" "$numbers/0001.jpg"
cp "$sample_book/libro002.jpg" "$numbers/0002.jpg"
run "$numbers" 'click AceptaConfig
select LocalFiles all
click CortaLote'
pages="$numbers/jpeg_big"
run "$pages" 'set ChkNumeroNon 1
print FiletoRenum.Selected
set MagicNonFont DejaVuSans.ttf
set MagikNonDato Páginas:Completo
set WMTransNum 100
click cmdNumPrueba
print ImgPlantillaNum.HasImage
set WMHPosNum 300
set WMVPosNum 700
click cmdNumProceso'
grep -Fxq "FiletoRenum.Selected = 0 2" "$work/out" || fail "the odd pages are not selected"
grep -Fxq "ImgPlantillaNum.HasImage = True" "$work/out" || fail "the test label is not shown"
[ "$(grep '^lstNumeracion: ' "$work/out")" = "lstNumeracion: 2 páginas numeradas en $pages/jpeg_big" ] ||
    fail "the numbering did not report two numbered pages alone"
[ -f "$pages/watermark/test.png" ] || fail "no test label"
read -r label_width label_height < <(identify -format '%w %h' "$pages/watermark/grafo.png")
[ "$(ls "$pages/jpeg_big")" = "0001.jpg
0003.jpg" ] || fail "the stamped pages are $(ls "$pages/jpeg_big")"
areas=""
for page in 0001 0003; do
    # The part of the page that the stamp changed: WxH+X+Y.
    area="$(convert "$pages/$page.jpg" "$pages/jpeg_big/$page.jpg" -compose difference \
        -composite -threshold 25% -format '%@' info:)"
    IFS='x+' read -r w h x y <<<"$area"
    [ "$w" -gt 20 ] && [ "$h" -gt 50 ] && [ "$x" -ge 300 ] && [ "$y" -ge 700 ] &&
        [ $((x + w)) -le $((300 + label_width)) ] && [ $((y + h)) -le $((700 + label_height)) ] ||
        fail "$page.jpg changed at $area, not inside its label at +300+700"
    areas="$areas $area"
done
read -r first second <<<"$areas"
[ "$first" != "$second" ] || fail "both pages carry the same digits"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "all effect and numbering scripts passed"
