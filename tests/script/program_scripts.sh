#!/usr/bin/env bash
# The program started as a separate process in script mode, as a shell script or a batch job
# starts it: start-up state, enabling rules, tab switching and file lists read back with print,
# refusals, the command line, the sample scripts, a batch cancelled from a script and the book
# PDF made, refused and cancelled.
# Arguments: the program, the folder of the sample scripts, the folder of the sample book.
set -uo pipefail
pliego="$1"
sample_scripts="$2"
sample_book="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/cwd"
cwd="$(cd "$work/cwd" && pwd -P)"
failures=0

fail() {
    echo "FAIL [$case_name]: $*" >&2
    echo "--- stdout" >&2
    cat "$work/out" >&2
    echo "--- stderr" >&2
    cat "$work/err" >&2
    failures=$((failures + 1))
}

# run SCRIPT-TEXT: runs it from standard input in $cwd; sets $status.
run() {
    (cd "$cwd" && printf '%s\n' "$1" | "$pliego" --script -) >"$work/out" 2>"$work/err"
    status=$?
}

# expect STATUS EXPECTED-STDOUT [EXPECTED-REPORT]: the exit status, the whole standard output,
# and the only "pliego:" line of standard error (none when not given).
expect() {
    local want_status="$1" want_out="$2" want_report="${3:-}"
    [ "$status" -eq "$want_status" ] || fail "exit status $status, expected $want_status"
    if [ -z "$want_out" ]; then
        [ -s "$work/out" ] && fail "standard output should be empty"
    else
        diff -u <(printf '%s\n' "$want_out") "$work/out" >&2 || fail "standard output differs"
    fi
    local reports
    reports="$(grep '^pliego: ' "$work/err")"
    [ "$reports" = "$want_report" ] || fail "report '$reports', expected '$want_report'"
}

case_name="start-up state"
run 'print TipoOrigen
print ColorBw
print AltoGrande
print AnchoGrande
print AltoPeque
print AnchoPeque
print lblJpegQuality
print Label17
print ChkSepara2Img
print chkMargenNegro
print Interactivo
print SSTab1
print SSTab1.TabEnabled[1]
print SSTab1.TabEnabled[4]
print SSTab1.TabEnabled[5]
print TipoPeque.Enabled
print cbMagikNon(0).Enabled
print cbMagikNon(0).ListCount
print Cancelar.Visible
print MagicNonFont.List
print ProcesoCancelado
print AltoPagina
print Files.Pattern
print Dirs.Path'
expect 0 "TipoOrigen = Imágenes JPG
ColorBw = Paleta de Colores 8 bits (256 Colores)
AltoGrande = 958
AnchoGrande = 695
AltoPeque = 540
AnchoPeque = 370
lblJpegQuality = 90%
Label17 = 50
ChkSepara2Img = 1
chkMargenNegro = 1
Interactivo = 0
SSTab1 = 0
SSTab1.TabEnabled[1] = True
SSTab1.TabEnabled[4] = False
SSTab1.TabEnabled[5] = False
TipoPeque.Enabled = False
cbMagikNon(0).Enabled = False
cbMagikNon(0).ListCount = 0
Cancelar.Visible = False
MagicNonFont.List[0] = DejaVuSans-Bold.ttf
MagicNonFont.List[1] = DejaVuSans.ttf
ProcesoCancelado = False
AltoPagina = 958
Files.Pattern = *.jpg;*.jpeg
Dirs.Path = $cwd"

case_name="enabling rules"
run 'click HacerMini
print TipoPeque.Enabled
print AltoPeque.Enabled
click ChkSepara2Img
print PaginaDch.Visible
print optDerecha.Enabled
print NumPaginas
click chkSubTree
print cmdLoadTree.Enabled
print lstTree.Visible
print Files.Visible
print SSTab1.TabEnabled[1]
print SSTab1.TabEnabled[4]
print SSTab1.TabEnabled[7]
click chkSubTree
print SSTab1.TabEnabled[7]
print Files.Visible
set optDerecha 1
print NumPaginas'
expect 2 "TipoPeque.Enabled = True
AltoPeque.Enabled = True
PaginaDch.Visible = False
optDerecha.Enabled = False
NumPaginas = 1
cmdLoadTree.Enabled = True
lstTree.Visible = True
Files.Visible = False
SSTab1.TabEnabled[1] = False
SSTab1.TabEnabled[4] = True
SSTab1.TabEnabled[7] = False
SSTab1.TabEnabled[7] = True
Files.Visible = True" "pliego: line 18: optDerecha is disabled"

case_name="accepting the configuration"
run 'click AceptaConfig
print SSTab1
print LocalFiles.Path
tab 0
set Interactivo 1
print SSTab1
print SSTab1.TabEnabled[1]
click AceptaConfig
print SSTab1
print LocalFiles2.Path
tab 1
print SSTab1'
expect 2 "SSTab1 = 1
LocalFiles.Path = $cwd
SSTab1 = 0
SSTab1.TabEnabled[1] = False
SSTab1 = 4
LocalFiles2.Path = $cwd" "pliego: line 11: tab 1 is disabled"

case_name="file lists follow the folder and the type"
scans="$work/scans"
mkdir -p "$scans/sub"
for name in a.jpg b.JPEG c.tif d.TIFF e.png; do echo x >"$scans/$name"; done
export PLIEGO_TEST_SCANS="$scans"
run 'set Dirs ${PLIEGO_TEST_SCANS}
print Dirs.Path
print Files.List
set TipoOrigen 1
print Files.Pattern
print Files.List
set TipoOrigen "Imágenes PNG"
print Files.List
set Files e.png
print Files.FileName'
expect 0 "Dirs.Path = $scans
Files.List[0] = a.jpg
Files.List[1] = b.JPEG
Files.Pattern = *.tif;*.tiff
Files.List[0] = c.tif
Files.List[1] = d.TIFF
Files.List[0] = e.png
Files.FileName = e.png"

case_name="a script file, and one that cannot be read"
printf 'print AltoGrande\n' >"$work/one.txt"
"$pliego" --script "$work/one.txt" >"$work/out" 2>"$work/err"
status=$?
expect 0 "AltoGrande = 958"
"$pliego" --script "$work/none.txt" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 2 ] || fail "exit status $status for a missing script"
grep -q "^pliego: cannot read $work/none.txt" "$work/err" || fail "no report of the missing script"

case_name="command line"
"$pliego" --help >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "--help exited $status"
grep -q 'pointer NAME down|move|up' "$work/out" || fail "--help lacks the statement table"
for args in "--bogus" "--script" "extra" "--script a --script b"; do
    # shellcheck disable=SC2086
    "$pliego" $args >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "'$args' exited $status, expected 2"
    [ -s "$work/out" ] && fail "'$args' wrote to standard output"
done

# The first folder the operator opens: the scans and the stamp, and the pages the sample scripts
# cut from them, but nothing of the build.
case_name="sample book folder"
strays="$(cd "$sample_book" && ls -A | grep -Ev '^(libro00[1-6]\.jpg|marcas|jpeg_big|jpeg_small|samples\.pdf)$')"
[ -z "$strays" ] || fail "the sample book's folder also holds: $(echo $strays)"

# count FOLDER: the number of pages in it, the hidden record of what was cut left out (0 when
# it does not exist).
count() {
    if [ -d "$1" ]; then find "$1" -maxdepth 1 -type f ! -name ".*" | wc -l; else echo 0; fi
}

# size IMAGE: its width x height.
size() {
    identify -format '%wx%h' "$1" 2>/dev/null
}

# copy_book FOLDER: a fresh copy of the six scans of the sample book; prints its full path.
copy_book() {
    mkdir -p "$1"
    cp "$sample_book"/libro00[1-6].jpg "$1/"
    (cd "$1" && pwd -P)
}

case_name="sample book script"
book="$(copy_book "$work/repo/build/samples")"
(cd "$work/repo" && "$pliego" --script "$sample_scripts/book.txt") >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q '^pliego: ' "$work/err" && fail "a statement was refused"
grep -Fxq "LocalFiles.Path = $book" "$work/out" || fail "the book folder was not chosen"
grep -Fxq "LocalFiles.ListCount = 6" "$work/out" || fail "the scans are not listed"
[ "$(grep -c '^ListaProceso: Leyendo imagen \.\.\.$' "$work/out")" -eq 6 ] ||
    fail "not every scan was read"
[ "$(count "$book/jpeg_big")" -eq 12 ] || fail "$(count "$book/jpeg_big") pages, expected 12"
[ "$(count "$book/jpeg_small")" -eq 12 ] ||
    fail "$(count "$book/jpeg_small") thumbnails, expected 12"
page="$(find "$book/jpeg_big" -type f ! -name ".*" | sort | head -n 1)"
[ "$(size "$page")" = "695x958" ] || fail "page $page is $(size "$page"), expected 695x958"
thumbnail="$(find "$book/jpeg_small" -type f | sort | head -n 1)"
[ "$(size "$thumbnail")" = "370x540" ] ||
    fail "thumbnail $thumbnail is $(size "$thumbnail"), expected 370x540"

# pixel IMAGE X Y: the red, green and blue values (0 to 255) of one pixel, separated by blanks.
pixel() {
    local at="p{$2,$3}"
    convert "$1" -format "%[fx:round(255*$at.r)] %[fx:round(255*$at.g)] %[fx:round(255*$at.b)]" \
        info: 2>/dev/null
}

# The stamp's ring is red; paper, ink and scanner lid are not. The sample places the stamp's
# 120 x 120 picture at (550, 820): its ring crosses (610, 828), its corner (553, 823) is clear.
case_name="sample watermark script"
marked_repo="$work/marked"
marked="$(copy_book "$marked_repo/build/samples")"
cp -r "$sample_book/marcas" "$marked/"
mkdir -p "$marked_repo/tmp"
(cd "$marked_repo" && TMP="$marked_repo/tmp" "$pliego" --script "$sample_scripts/watermark.txt") \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q '^pliego: ' "$work/err" && fail "a statement was refused"
grep -Fxq "WMHpos.Max = 695" "$work/out" || fail "the position sliders do not span the page"
grep -Fxq "WMVpos.Max = 958" "$work/out" || fail "the position sliders do not span the page"
[ "$(size "$marked_repo/tmp/wm.png")" = "120x120" ] ||
    fail "the prepared watermark is $(size "$marked_repo/tmp/wm.png"), expected 120x120"
[ "$(grep -c '^ListaProceso: Marca de Agua \.\.\.$' "$work/out")" -eq 12 ] ||
    fail "not every page was stamped"
[ "$(count "$marked/jpeg_big")" -eq 12 ] || fail "$(count "$marked/jpeg_big") pages, expected 12"
for page in "$marked"/jpeg_big/*.jpg; do
    read -r red green _ < <(pixel "$page" 610 828)
    [ "$((red - green))" -gt 60 ] || fail "$page has no red ring at (610, 828): $red $green"
    read -r red green _ < <(pixel "$page" 553 823)
    [ "$((red - green))" -lt 30 ] || fail "$page is stamped where the stamp is clear: $red $green"
done

case_name="sample folder script"
folder="$(copy_book "$work/folder")"
PLIEGO_FOLDER="$folder" "$pliego" --script "$sample_scripts/folder.txt" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -Fxq "LocalFiles.Path = $folder" "$work/out" || fail "PLIEGO_FOLDER was not chosen"
[ "$(count "$folder/jpeg_big")" -eq 12 ] || fail "$(count "$folder/jpeg_big") pages, expected 12"
[ "$(count "$folder/jpeg_small")" -eq 0 ] || fail "thumbnails were made"
env -u PLIEGO_FOLDER "$pliego" --script "$sample_scripts/folder.txt" >"$work/out" 2>"$work/err"
status=$?
expect 2 "" "pliego: line 11: environment variable PLIEGO_FOLDER is not set"

# The interactive tab cuts every page and trims the sample book's dark scanner lid off it: the
# trimmed pages are smaller than 695 x 958 on both sides, and thumbnails keep their own size;
# the book PDF's pages folder is where they went.
case_name="sample interactive script"
interactive="$(copy_book "$work/interactive")"
{ cat "$sample_scripts/interactive.txt"; echo 'print DirPDF'; } |
    PLIEGO_FOLDER="$interactive" "$pliego" --script - >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -q '^pliego: ' "$work/err" && fail "a statement was refused"
[ "$(count "$interactive/jpeg_big")" -eq 12 ] ||
    fail "$(count "$interactive/jpeg_big") pages, expected 12"
[ -d "$interactive/jpeg_big/256Color" ] && fail "an empty 256Color folder was made"
for page in "$interactive"/jpeg_big/libro00[12]A.png; do
    read -r width height < <(identify -format '%w %h\n' "$page")
    { [ "$width" -lt 695 ] && [ "$width" -gt 600 ] && [ "$height" -lt 958 ] &&
        [ "$height" -gt 850 ]; } || fail "page $page is ${width}x$height, not trimmed"
done
[ "$(size "$interactive/jpeg_small/libro001B.png")" = "370x540" ] || fail "thumbnail size"
grep -Fxq "Label17.Caption = 60" "$work/out" || fail "the tolerance label"
grep -Fxq "DirPDF = $interactive/jpeg_big" "$work/out" || fail "the pages folder is not the crop's"

# The cancel label clicked while the second scan is read takes effect at the batch's next
# yield: the second scan is finished, no other is started.
case_name="cancel during a batch"
cancel="$(copy_book "$work/cancel")"
(cd "$cancel" && printf '%s\n' 'select LocalFiles all' \
    'when ListaProceso "Leyendo imagen ..." 2 click Cancelar' 'click CortaLote' \
    'print Cancelar.Visible' | "$pliego" --script -) >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
[ "$(grep -c '^ListaProceso: Leyendo imagen \.\.\.$' "$work/out")" -eq 2 ] ||
    fail "a third scan was read"
grep -Fxq "ListaProceso: PROCESO CANCELADO" "$work/out" || fail "the cancel was not logged"
[ "$(tail -n 1 "$work/out")" = "Cancelar.Visible = False" ] ||
    fail "the script did not go on after the batch"
[ "$(count "$cancel/jpeg_big")" -eq 4 ] || fail "$(count "$cancel/jpeg_big") pages, expected 4"

# Scans of several types opened one after another, then the window closed: the program must
# end cleanly, with every picture it kept let go before it exits.
case_name="several scans, then closing"
mixed="$work/mixed"
mkdir -p "$mixed"
convert -size 600x400 xc:wheat "$mixed/a.png"
convert -size 800x500 xc:white -quality 80 "$mixed/b.jpg"
convert -size 800x500 xc:gray -quality 80 "$mixed/c.jpg"
(cd "$mixed" && printf '%s\n' 'set TipoOrigen "Imágenes PNG"' 'dblclick Files 0' 'tab 0' \
    'set TipoOrigen "Imágenes JPG"' 'dblclick Files 0' 'tab 0' 'dblclick Files 1' \
    'print ImagenGrande.ImageWidth' | "$pliego" --script -) >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
grep -Fxq "ImagenGrande.ImageWidth = 800" "$work/out" || fail "the last scan was not loaded"

# The sample book cut, then made into a searchable PDF by the sample script: the pages folder
# is the crop's, the next statement runs once the PDF is done, and the running head of every
# page is found in its text.
case_name="sample book PDF script"
pdf_book="$(copy_book "$work/pdf/build/samples")"
(cd "$work/pdf" && { cat "$sample_scripts/book.txt"; printf '%s\n' 'print DirPDF' 'print ArchivoPDF'
    cat "$sample_scripts/book-pdf.txt"; echo 'print cmdCrearPDF.Enabled'; } |
    "$pliego" --script -) >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
[ -s "$work/err" ] && fail "standard error is not empty"
pdf="$pdf_book/samples.pdf"
grep -Fxq "DirPDF = $pdf_book/jpeg_big" "$work/out" || fail "the pages folder is not the crop's"
grep -Fxq "ArchivoPDF = $pdf" "$work/out" || fail "the PDF is not named after the book"
[ "$(grep -c '^lstPDF: Página [0-9]* de 12 ' "$work/out")" -eq 12 ] || fail "not every page listed"
tail -n 2 "$work/out" | head -n 1 |
    grep -Eqx "lstPDF: PDF escrito: $pdf \([0-9]+,[0-9] MB, 12 páginas\)" ||
    fail "the result is not the last line of the run"
[ "$(tail -n 1 "$work/out")" = "cmdCrearPDF.Enabled = True" ] ||
    fail "the script went on before the PDF was done"
qpdf --check "$pdf" >/dev/null 2>&1 || fail "qpdf --check fails on $pdf"
[ "$(pdftotext "$pdf" - 2>/dev/null | grep -c 'LIBRO DE MUESTRA')" -eq 12 ] ||
    fail "the running head is not found on every page"

# The same pages and a broken one: nothing is written, and the run ends with status 1.
case_name="book PDF with a broken page"
pages="$work/pdf/pages"
cp -r "$pdf_book/jpeg_big" "$pages"
printf 'no es una imagen' >"$pages/rota.jpg"
export PLIEGO_TEST_PAGES="$pages" PLIEGO_TEST_PDF="$work/pdf/libro.pdf"
run 'set DirPDF ${PLIEGO_TEST_PAGES}
set ArchivoPDF ${PLIEGO_TEST_PDF}
click cmdCrearPDF'
[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
grep -q '^lstPDF: No se puede leer la página [0-9]* de 13 (rota.jpg)' "$work/out" ||
    fail "the broken page is not named"
[ "$(tail -n 1 "$work/out")" = "lstPDF: Una página no se puede leer: el PDF no se ha escrito" ] ||
    fail "the last line does not say the PDF was not written"
[ -e "$work/pdf/libro.pdf" ] && fail "a PDF was written"

# A title as typed, whatever its characters.
case_name="book PDF with a hostile title"
rm "$pages/rota.jpg"
run 'set DirPDF ${PLIEGO_TEST_PAGES}
set ArchivoPDF ${PLIEGO_TEST_PDF}
set TituloPDF "Libro (1) \\ [ñ] \"a\""
click cmdCrearPDF'
[ "$status" -eq 0 ] || fail "exit status $status"
title="$(pdfinfo -enc UTF-8 "$work/pdf/libro.pdf" 2>/dev/null | sed -n 's/^Title: *//p')"
[ "$title" = 'Libro (1) \ [ñ] "a"' ] || fail "the title is '$title'"
rm -f "$work/pdf/libro.pdf"

# Cancelled once its first page, a blank one, is read: the text of the other twelve is far from
# read by then.
case_name="book PDF cancelled from a script"
convert -size 300x400 xc:white "$pages/000.jpg"
run 'set DirPDF ${PLIEGO_TEST_PAGES}
set ArchivoPDF ${PLIEGO_TEST_PDF}
set chkOCR 1
set IdiomaOCR eng
when lstPDF "Página 1 de 13 (000.jpg): 0 palabras" 1 click cmdCancelarPDF
click cmdCrearPDF'
[ "$status" -eq 0 ] || fail "exit status $status"
[ "$(tail -n 1 "$work/out")" = "lstPDF: Cancelado: el PDF no se ha escrito" ] ||
    fail "the cancel is not the last line"
[ "$(grep -c '^lstPDF: Página ' "$work/out")" -lt 13 ] || fail "every page was read"
[ -e "$work/pdf/libro.pdf" ] && fail "a PDF was written"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "all program scripts passed"
