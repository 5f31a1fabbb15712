#!/usr/bin/env bash
# Records what the program makes of the sample book, so that a change meant to leave its
# behaviour alone (moving files, renaming, splitting classes) can be checked byte for byte:
#
#     scripts/record-outputs.sh build before.txt
#     ... the change, then rebuild ...
#     scripts/record-outputs.sh build after.txt
#     diff before.txt after.txt
#
# Each run works on a fresh copy of the sample book the build makes (BUILD_DIR/samples: the scans
# and marcas/ with the stamp), in a folder of its own with a temporary folder (TMP) of its own:
# six output settings on the automatic tab (one of them also a test and a single cut), the
# interactive tab with trimming, effects through ImageMagick, and the sample scripts. OUT_FILE
# holds, run by run in a fixed order, its exit status, every line it wrote to standard output
# (the work folder's path replaced by WORK), the "pliego:" reports of standard error, and every
# file of its folder (the scans included) with its sha256. Two runs of one binary give the same
# OUT_FILE; the pages and lines do not depend on the number of batch workers.
#
# Needs the build's program and sample book, and ImageMagick's convert for the effects run.
# Exits 0 once OUT_FILE is written, whatever the runs' own statuses (they are in the file); 2 when
# it cannot start.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR OUT_FILE" >&2
    exit 2
fi
build="$(cd "$1" 2>/dev/null && pwd -P)" || {
    echo "$0: no build folder $1" >&2
    exit 2
}
out_file="$2"
pliego="$build/pliego"
samples="$build/samples"
sample_scripts="$(cd "$(dirname "$0")/../samples" && pwd -P)"
for needed in "$pliego" "$samples/libro001.jpg" "$samples/marcas/sello.png" \
    "$sample_scripts/book.txt"; do
    if [ ! -e "$needed" ]; then
        echo "$0: $needed is missing (build the program and its sample book first)" >&2
        exit 2
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
work="$(cd "$work" && pwd -P)"
mkdir -p "$work/scripts" "$work/runs"
record="$work/record.txt"
: >"$record"
failed_runs=0

# book FOLDER: a fresh copy of the sample book in FOLDER.
book() {
    mkdir -p "$1"
    cp "$samples"/libro*.jpg "$1/"
    cp -r "$samples/marcas" "$1/"
}

# run NAME DIR SCRIPT: runs the program over SCRIPT (a file) with DIR, inside the run's own folder
# $work/runs/NAME, as its working folder, and records the run. PLIEGO_FOLDER names that run
# folder's "book".
run() {
    local name="$1" dir="$2" script="$3" root="$work/runs/$1"
    mkdir -p "$root/tmp"
    (cd "$root/$dir" && TMP="$root/tmp" PLIEGO_FOLDER="$root/book" \
        "$pliego" --script "$script") >"$work/out" 2>"$work/err"
    local status=$?
    if [ "$status" -ne 0 ]; then
        failed_runs=$((failed_runs + 1))
        echo "$0: run $name ended with status $status:" >&2
        grep '^pliego: ' "$work/err" >&2
    fi
    {
        echo "=== $name"
        echo "status: $status"
        sed -e "s|$work|WORK|g" -e 's/^/out: /' "$work/out"
        grep '^pliego: ' "$work/err" | sed -e "s|$work|WORK|g" -e 's/^/err: /'
        (cd "$root" && find . -type f ! -name .pliego-cortadas -print0 | LC_ALL=C sort -z |
            xargs -0 -r sha256sum) |
            sed -e 's/^\([0-9a-f]*\)  \.\/\(.*\)$/file: \2 \1/'
        # A cut record holds the time of each scan it names, which is the time of this run's
        # copy of the book: recorded whole but for that field.
        (cd "$root" && find . -name .pliego-cortadas -print0 | LC_ALL=C sort -z |
            while IFS= read -r -d '' f; do
                echo "record: ${f#./}"
                awk -F'\t' 'BEGIN { OFS = "\t" } NR > 1 { $4 = "TIME" } { print }' "$f"
            done)
    } >>"$record"
}

# automatic NAME SETTINGS...: a batch of the whole book on the automatic tab, with the settings
# (script lines) made before it.
automatic() {
    local name="$1"
    shift
    book "$work/runs/$name/book"
    {
        printf '%s\n' 'set TipoOrigen "Imágenes JPG"' 'set ChkSepara2Img 1' "$@"
        printf '%s\n' 'select LocalFiles all' 'click CortaLote'
    } >"$work/scripts/$name.txt"
    run "$name" book "$work/scripts/$name.txt"
}

automatic jpeg-colour \
    'set TipoGrande "Imágenes JPG"' 'set ColorBw "Color Verdadero 24 bits (16 millones)"' \
    'set UpDownQuality 75' 'click AceptaConfig'

automatic tiff-1bit-compressed \
    'set TipoGrande "Imágenes TIFF"' 'set ColorBw "Imagenes en Blanco y Negro (1 bit)"' \
    'set Compresion 1' 'click AceptaConfig'

automatic gif-256-colours \
    'set TipoGrande "Imágenes GIF"' 'set ColorBw "Paleta de Colores 8 bits (256 Colores)"' \
    'click AceptaConfig'

automatic png-grey-thumbnails \
    'set TipoGrande "Imágenes PNG"' 'set ColorBw "Escala de Grises (256 Tonos de Gris)"' \
    'set HacerMini 1' 'set TipoPeque "Imágenes PNG"' 'set MasMenosAlP 300' \
    'set MasMenosAnP 210' 'click AceptaConfig'

# Also a test and a single cut of one scan before the batch, smaller pages, 16 colours.
automatic bmp-16-colours-single-cut \
    'set TipoGrande "Imágenes BMP"' 'set ColorBw "Paleta de Colores 4 bits (16 Colores)"' \
    'set MasMenosAlG 800' 'set MasMenosAnG 580' 'click AceptaConfig' \
    'set LocalFiles libro002.jpg' 'click Probar' 'print LblSized.Caption' 'click CortaUna'

automatic jpeg-grey-watermark \
    'set TipoGrande "Imágenes JPG"' 'set ColorBw "Escala de Grises (256 Tonos de Gris)"' \
    'click AceptaConfig' 'set LocalFiles libro001.jpg' 'click Probar' 'set WMActivo 1' \
    'set DirWM marcas' 'set FormatoWM "Imágenes PNG"' 'set FileWM sello.png' 'set WMSize 30' \
    'set WMTrans 100' 'click LeerWm' 'set WMHpos 40' 'set WMVpos 60' 'click LeerWm'

automatic effects \
    'set TipoGrande "Imágenes JPG"' 'set ColorBw "Color Verdadero 24 bits (16 millones)"' \
    'set CheckMagik 1' 'set cbMagikNon(0) Rotar' 'set lblMagicNon(0) 90' \
    'set cbMagicPar(0) "Brillo y Contraste"' 'set lblMagikPar(0) 15x45' 'click AceptaConfig'

# The interactive tab, trimming the dark scanner margins, and the other sample scripts as their
# comments say to run them: book.txt and watermark.txt from a folder holding build/samples.
book "$work/runs/interactive/book"
run interactive book "$sample_scripts/interactive.txt"
book "$work/runs/folder/book"
run folder . "$sample_scripts/folder.txt"
for sample in book watermark; do
    book "$work/runs/$sample/build/samples"
    run "$sample" . "$sample_scripts/$sample.txt"
done

cp "$record" "$out_file.tmp" && mv "$out_file.tmp" "$out_file" || exit 2
echo "recorded $(grep -c '^=== ' "$record") runs ($failed_runs with a non-zero status) in $out_file"
