#!/bin/bash
# The benchmark: Pliego's batch against the libvips C++ API, ImageMagick, the libvips command line
# and the libjpeg-turbo floor, on a clean and a noisy book, on one core and on every core.
# See bench/README.md for what it measures. Usage: bench/run.sh --help
set -euo pipefail

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$BENCH_DIR/.." && pwd)

SCANS=20
RUNS=3
CONFIGS="c1 c1t c2 c3"
BOOKS="clean noisy"
CLI_BOOKS="noisy"
PEER_CONFIGS=""
PEER_CONFIGS_SET=0
FLAT=0
DETECT=1
DETECT_ONLY=0
DETECT_SCANS=20
DETECT_PEERS=8
FOLLOW=1
FOLLOW_ONLY=0
BEFORE=""
FOLLOW_SCANS=20
FLAT_SCANS=100
PDF=0
PDF_PAGES=200
PDF_OCR_SET=""
PDF_ONLY=0
BUILD_DIR="$REPO/build-bench"
WORK=""
PLIEGO=""
BUILD=1
RESULTS="$BENCH_DIR/RESULTS.md"
ARGS="$*"

usage() {
    cat <<'EOF'
Usage: bench/run.sh [OPTIONS]

Builds the benchmark (and a Release copy of the program) in build-bench/, makes the benchmark
books, times Pliego's batch, the libvips C++ API peer, the command-line peers and the
libjpeg-turbo floor on the same cores (every core, and one), measures quality, preview speed
and memory, prints the tables and writes the report to bench/RESULTS.md.

  --scans N          spreads in each book (default 20)
  --runs N           timed runs per row after one warm-up; the median is reported (default 3)
  --configs LIST     Pliego configurations to run, from "c1 c1t c2 c3" (default all four)
  --books LIST       books to run, from "clean noisy" (default both)
  --cli-books LIST   books on which the command-line peers (ImageMagick, vips) also run
                     (default "noisy"; "none" for none)
  --peer-configs L   configurations the command-line peers run (default: the same as --configs)
  --flat [N]         also run c1 over a noisy book of N spreads (default 100) and sample the
                     resident memory after every scan
  --detect           run only the page finder's section (its ground-truth book, the finder and
                     the turn finders beside it) and put it into the report in place of the
                     last one; the full run includes it
  --detect-scans N   spreads in the page finder's book (default 20)
  --detect-peers N   of those, how many the other turn finders also measure (default 8;
                     ImageMagick and unpaper take seconds a scan)
  --no-detect        leave the page finder's section out of a full run
  --follow           run only the section on following the book (c1 over the page finder's
                     turned scans, with chkSeguirLibro and without, on every core) and put it
                     into the report in place of the last one; the full run includes it
  --follow-scans N   spreads of the page finder's book that batch cuts (default 20)
  --no-follow        leave the section on following the book out of a full run
  --before PATH      run only the before-and-after section: c1 over the noisy book of the --flat
                     size (default 100 spreads) with the program at PATH (an earlier build) and
                     this one, run by run in turn, on every core and on one; the section replaces
                     the last one in the report
  --pliego PATH      time this program instead of build-bench/pliego
  --build-dir DIR    where the benchmark is built (default build-bench/)
  --work DIR         where the books and the outputs go (default BUILD_DIR/work)
  --results FILE     where the report goes (default bench/RESULTS.md)
  --pdf [N]          also time the book PDF: Pliego against img2pdf on N cut pages (default 200)
                     and, with OCR, against ocrmypdf; and the PDF libraries on the same pages
  --pdf-ocr N        pages of those for the OCR rows (default: all N)
  --pdf-only         only the book PDF rows; their section replaces the one in the report file
  --no-build         use what is already built
  -h, --help         this text

Packages needed: bench/install-bench-deps.sh installs the missing ones (as root).
EOF
}

while (($#)); do
    case $1 in
    --scans) SCANS=$2; shift 2 ;;
    --runs) RUNS=$2; shift 2 ;;
    --configs) CONFIGS=${2//,/ }; shift 2 ;;
    --books) BOOKS=${2//,/ }; shift 2 ;;
    --cli-books) CLI_BOOKS=${2//,/ }; shift 2 ;;
    --peer-configs) PEER_CONFIGS=${2//,/ }; PEER_CONFIGS_SET=1; shift 2 ;;
    --flat)
        FLAT=1
        if [[ ${2-} =~ ^[0-9]+$ ]]; then FLAT_SCANS=$2; shift; fi
        shift ;;
    --detect) DETECT_ONLY=1; shift ;;
    --detect-scans) DETECT_SCANS=$2; shift 2 ;;
    --detect-peers) DETECT_PEERS=$2; shift 2 ;;
    --no-detect) DETECT=0; shift ;;
    --follow) FOLLOW_ONLY=1; shift ;;
    --follow-scans) FOLLOW_SCANS=$2; shift 2 ;;
    --no-follow) FOLLOW=0; shift ;;
    --before) BEFORE=$(realpath "$2"); shift 2 ;;
    --pliego) PLIEGO=$(realpath "$2"); shift 2 ;;
    --build-dir) BUILD_DIR=$(realpath -m "$2"); shift 2 ;;
    --work) WORK=$(realpath -m "$2"); shift 2 ;;
    --results) RESULTS=$(realpath -m "$2"); shift 2 ;;
    --pdf)
        PDF=1
        if [[ ${2-} =~ ^[0-9]+$ ]]; then PDF_PAGES=$2; shift; fi
        shift ;;
    --pdf-ocr) PDF_OCR_SET=$2; shift 2 ;;
    --pdf-only) PDF=1; PDF_ONLY=1; FLAT=0; DETECT=0; FOLLOW=0; shift ;;
    --no-build) BUILD=0; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done

die() { echo "run.sh: $*" >&2; exit 1; }
say() { echo "== $*" >&2; }
has() { [[ " $1 " == *" $2 "* ]]; } # LIST WORD

[[ $SCANS =~ ^[0-9]+$ ]] && ((SCANS >= 1 && SCANS <= 499)) || die "--scans must be 1..499"
[[ $RUNS =~ ^[0-9]+$ ]] && ((RUNS >= 1)) || die "--runs must be at least 1"
[[ $FLAT_SCANS =~ ^[0-9]+$ ]] && ((FLAT_SCANS >= 1 && FLAT_SCANS <= 499)) || die "--flat must be 1..499"
[[ $DETECT_SCANS =~ ^[0-9]+$ ]] && ((DETECT_SCANS >= 1 && DETECT_SCANS <= 499)) || die "--detect-scans must be 1..499"
[[ $DETECT_PEERS =~ ^[0-9]+$ ]] || die "--detect-peers must be a number"
[[ $FOLLOW_SCANS =~ ^[0-9]+$ ]] && ((FOLLOW_SCANS >= 1 && FOLLOW_SCANS <= 499)) || die "--follow-scans must be 1..499"
((DETECT_ONLY)) && DETECT=1
((FOLLOW_ONLY)) && FOLLOW=1
((FOLLOW_ONLY && DETECT_ONLY)) && die "--detect and --follow each run alone: give one of them"
[[ -z $BEFORE ]] || ((!FOLLOW_ONLY && !DETECT_ONLY)) || die "--before runs alone: leave out --detect and --follow"
[[ -z $BEFORE || -x $BEFORE ]] || die "--before: $BEFORE is not a program"
for c in $CONFIGS; do [[ $c =~ ^(c1|c1t|c2|c3)$ ]] || die "unknown configuration $c"; done
[[ -n $BOOKS ]] || die "--books needs at least one book"
for b in $BOOKS; do [[ $b =~ ^(clean|noisy)$ ]] || die "unknown book $b"; done
[[ $CLI_BOOKS == none ]] && CLI_BOOKS=""
for b in $CLI_BOOKS; do has "$BOOKS" "$b" || die "--cli-books: $b is not among --books"; done
((PEER_CONFIGS_SET)) || PEER_CONFIGS=$CONFIGS
for c in $PEER_CONFIGS; do has "$CONFIGS" "$c" || die "peer configuration $c is not among --configs"; done
WORK=${WORK:-$BUILD_DIR/work}
PDF_OCR_PAGES=${PDF_OCR_SET:-$PDF_PAGES}
[[ $PDF_PAGES =~ ^[0-9]+$ ]] && ((PDF_PAGES >= 2 && PDF_PAGES % 2 == 0 && PDF_PAGES <= 998)) || die "--pdf must be an even number 2..998"
[[ $PDF_OCR_PAGES =~ ^[0-9]+$ ]] && ((PDF_OCR_PAGES >= 1 && PDF_OCR_PAGES <= PDF_PAGES)) || die "--pdf-ocr must be 1..$PDF_PAGES"

# --- Cores -------------------------------------------------------------------------------------
# Every row runs under taskset on the same cores: the first core alone, the first two, and all
# of those this script may run on. Pliego is told nothing else: it must follow its affinity, so a
# worker count from the environment would falsify the one-core rows.
unset PLIEGO_WORKERS
expand_cpus() { # "0-2,5" -> "0 1 2 5"
    local part i out=()
    local -a parts
    IFS=, read -ra parts <<<"$1"
    for part in "${parts[@]}"; do
        if [[ $part == *-* ]]; then
            for ((i = ${part%-*}; i <= ${part#*-}; i++)); do out+=("$i"); done
        else
            out+=("$part")
        fi
    done
    echo "${out[*]}"
}
read -ra ALLOWED <<<"$(expand_cpus "$(taskset -pc $$ | sed 's/.*: //')")"
NCPU=${#ALLOWED[@]}
((NCPU >= 1)) || die "cannot read this process's CPU affinity"
cpu_list() { local IFS=,; echo "${ALLOWED[*]:0:$1}"; } # N -> the first N allowed CPUs
cores() { (($1 == 1)) && echo "1 core" || echo "$1 cores"; } # N -> "N cores"
CORE_COUNTS=(1)
((NCPU >= 2)) && CORE_COUNTS+=(2)
((NCPU > 2)) && CORE_COUNTS+=("$NCPU")

# --- Tools -------------------------------------------------------------------------------------
# ImageMagick 6 itself, not a wrapper that may stand in front of it on the PATH.
IM_CONVERT=""
for candidate in /usr/bin/convert-im6.q16 /usr/bin/convert; do
    [[ -x $candidate ]] && { IM_CONVERT=$candidate; break; }
done
IM_IDENTIFY=$(command -v identify-im6.q16 || command -v identify || true)
VIPS=$(command -v vips || true)
DJPEG=$(command -v djpeg || true)
CJPEG=$(command -v cjpeg || true)
GNU_TIME=/usr/bin/time
missing=()
[[ -n $IM_CONVERT && -n $IM_IDENTIFY ]] || missing+=(imagemagick)
[[ -n $VIPS ]] || missing+=(libvips-tools)
[[ -n $DJPEG && -n $CJPEG ]] || missing+=(libjpeg-turbo-progs)
[[ -x $GNU_TIME ]] || missing+=(time)
command -v taskset >/dev/null || missing+=(util-linux)
pkg-config --exists vips-cpp 2>/dev/null || missing+=(libvips-dev)
pkg-config --exists lept 2>/dev/null || missing+=(libleptonica-dev)
((DETECT)) && { command -v unpaper >/dev/null || missing+=(unpaper); }
if ((PDF)); then
    for tool in img2pdf ocrmypdf pdftotext pdfinfo qpdf; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
fi
((${#missing[@]} == 0)) || die "missing ${missing[*]}: run bench/install-bench-deps.sh (as root)"

# --- Build -------------------------------------------------------------------------------------
if ((BUILD)); then
    say "building the benchmark and the program (Release) in $BUILD_DIR"
    if [[ ! -f $BUILD_DIR/CMakeCache.txt ]]; then
        cmake -S "$BENCH_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    fi
    cmake --build "$BUILD_DIR" -j"$NCPU" >&2
fi
TOOLS=$BUILD_DIR/bench
PLIEGO=${PLIEGO:-$BUILD_DIR/pliego}
PDF_TOOLS=()
((PDF)) && PDF_TOOLS=("$TOOLS/bench_book_pdf" "$TOOLS/bench_pdf_libraries")
for tool in "$TOOLS/bench_make_book" "$TOOLS/bench_mae" "$TOOLS/bench_preview" "$TOOLS/bench_vips_peer" \
    "$TOOLS/bench_make_detect_book" "$TOOLS/bench_detect" "$PLIEGO" "${PDF_TOOLS[@]}"; do
    [[ -x $tool ]] || die "$tool is not built (run without --no-build)"
done
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$WORK/runtime}
mkdir -p "$WORK" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# --- The page finder ---------------------------------------------------------------------------
# Its ground-truth book (turned, shifted spreads on a dark bed, with the truth of each), cached in
# WORK/detect-scans like the cutting books; the finder and the turn finders beside it run on the
# first core alone. Writes the report's section to WORK/detect.md.
DETECT_MD=$WORK/detect.md
detect_book() { # N [EXTS] -> prints the folder holding exactly libro001..N of the finder's book
    local n=$1 exts=${2:-"jpg txt"} cache=$WORK/detect-scans stamp k first=0 folder=$WORK/detect-book-$1
    stamp=$(cat "$BENCH_DIR/tools/make_detect_book.cpp" "$BENCH_DIR"/tools/BookPages.* | sha256sum | cut -d' ' -f1)
    if [[ ! -f $cache/GENERATOR || $(cat "$cache/GENERATOR") != "$stamp" ]]; then
        rm -rf "$cache"
        mkdir -p "$cache"
        echo "$stamp" >"$cache/GENERATOR"
    fi
    for ((k = 1; k <= n + 1; k++)); do
        if ((k <= n)) && [[ ! -f $(printf '%s/libro%03d.txt' "$cache" "$k") ]]; then
            ((first)) || first=$k
        elif ((first)); then
            say "making spreads $first..$((k - 1)) of the page finder's book"
            "$TOOLS/bench_make_detect_book" "$cache" "$first" "$((k - 1))" >/dev/null
            first=0
        fi
    done
    rm -rf "$folder"
    mkdir -p "$folder"
    for ((k = 1; k <= n; k++)); do
        for ext in $exts; do
            local name
            name=$(printf 'libro%03d.%s' "$k" "$ext")
            ln "$cache/$name" "$folder/$name" 2>/dev/null || cp "$cache/$name" "$folder/$name"
        done
    done
    echo "$folder"
}
run_detect() {
    local folder
    folder=$(detect_book "$DETECT_SCANS")
    say "page finder: $DETECT_SCANS spreads, the other turn finders on $DETECT_PEERS, on CPU ${ALLOWED[0]}"
    local tables=$WORK/detect-tables.md load_start
    load_start=$(cut -d' ' -f1-3 /proc/loadavg)
    taskset -c "${ALLOWED[0]}" "$TOOLS/bench_detect" --peers "$DETECT_PEERS" --cuts 4 \
        --convert "$IM_CONVERT" "$folder" "$tables" >"$WORK/logs/detect.log" 2>&1 ||
        { tail -20 "$WORK/logs/detect.log" >&2; die "bench_detect failed (log: $WORK/logs/detect.log)"; }
    {
        echo "## Page finder"
        echo
        echo "\`bench_detect\` (tools/detect_bench.cpp) on $DETECT_SCANS spreads of 4960 × 3508 from \`bench_make_detect_book\` (tools/make_detect_book.cpp), on one core (CPU ${ALLOWED[0]}); load average at start $load_start, at end $(cut -d' ' -f1-3 /proc/loadavg). Peers: Leptonica $(pkg-config --modversion lept), $("$IM_CONVERT" -version | head -1 | sed 's/^Version: //'), unpaper $(unpaper --version 2>/dev/null | head -1). One line per scan and tool: build-bench/work/logs/detect.log."
        echo
        cat "$tables"
        echo
    } >"$DETECT_MD"
}

# replace_section TITLE FILE: the report keeps everything else it holds; its section "## TITLE"
# becomes FILE's text (added at the end when it has none yet).
replace_section() {
    mkdir -p "$(dirname "$RESULTS")"
    touch "$RESULTS"
    awk -v title="## $1" -v section="$2" '
        function put() { while ((getline line < section) > 0) print line; close(section); done = 1 }
        $0 == title { skip = 1; put(); next }
        skip && /^## / { skip = 0 }
        !skip { print }
        END { if (!done) { print ""; put() } }' "$RESULTS" >"$RESULTS.new"
    mv "$RESULTS.new" "$RESULTS"
}

if ((DETECT_ONLY)); then
    mkdir -p "$WORK/logs"
    run_detect
    replace_section "Page finder" "$DETECT_MD"
    cat "$DETECT_MD"
    echo "Page finder section written to $RESULTS"
    exit 0
fi

# --- The books ---------------------------------------------------------------------------------
# Scans are cached in WORK/scans/KIND, each a pure function of its number, its kind and the
# generator's source; a change of the generator throws the cache away.
declare -A BOOK_FLAG=([clean]="" [noisy]="--noisy")
ensure_scans() { # KIND N: libro001.jpg .. libroN.jpg exist in the cache
    local kind=$1 n=$2 cache=$WORK/scans/$1 stamp
    stamp=$(cat "$BENCH_DIR/tools/make_book.cpp" "$BENCH_DIR"/tools/BookPages.* | sha256sum | cut -d' ' -f1)
    if [[ ! -f $cache/GENERATOR || $(cat "$cache/GENERATOR") != "$stamp" ]]; then
        rm -rf "$cache"
        mkdir -p "$cache"
        echo "$stamp" >"$cache/GENERATOR"
    fi
    local k first=0
    for ((k = 1; k <= n + 1; k++)); do
        if ((k <= n)) && [[ ! -f $(printf '%s/libro%03d.jpg' "$cache" "$k") ]]; then
            ((first)) || first=$k
        elif ((first)); then
            say "making spreads $first..$((k - 1)) of the $kind book"
            # shellcheck disable=SC2086 # the flag is empty or one word
            "$TOOLS/bench_make_book" ${BOOK_FLAG[$kind]} "$cache" "$first" "$((k - 1))" >/dev/null
            first=0
        fi
    done
}
make_book() { # KIND N -> prints the folder holding exactly libro001..N (hard links into the cache)
    local kind=$1 n=$2 folder=$WORK/book-$1-$2 k
    ensure_scans "$kind" "$n"
    rm -rf "$folder"
    mkdir -p "$folder"
    for ((k = 1; k <= n; k++)); do
        local name
        name=$(printf 'libro%03d.jpg' "$k")
        ln "$WORK/scans/$kind/$name" "$folder/$name" 2>/dev/null || cp "$WORK/scans/$kind/$name" "$folder/$name"
    done
    echo "$folder"
}

# --- Configurations ----------------------------------------------------------------------------
declare -A TYPE EXT PW PH COLOR THUMBS COMPRESS KIND
set_config() { TYPE[$1]=$2 EXT[$1]=$3 PW[$1]=$4 PH[$1]=$5 COLOR[$1]=$6 THUMBS[$1]=$7 COMPRESS[$1]=$8 KIND[$1]=$9; }
#          name  file type        ext  width height colour format                        thumbs compress kind
set_config c1    "Imágenes JPG"   jpg  1240  1754   "Color Verdadero 24 bits (16 millones)"  0  0  jpeg
set_config c1t   "Imágenes JPG"   jpg  1240  1754   "Color Verdadero 24 bits (16 millones)"  1  0  jpeg
set_config c2    "Imágenes PNG"   png  695   958    "Paleta de Colores 8 bits (256 Colores)" 0  0  png-palette
set_config c3    "Imágenes TIFF"  tif  1240  1754   "Imagenes en Blanco y Negro (1 bit)"     0  1  tiff-g4
# Not timed: c2's pages in 24-bit colour, the reference of its quality.
set_config c2ref "Imágenes PNG"   png  695   958    "Color Verdadero 24 bits (16 millones)"  0  0  png-rgb
THUMB_W=370
THUMB_H=540
QUALITY=90
# The zlib level of Pliego's PNG pages; the libvips peer writes with the same effort.
PNG_LEVEL=3
# The rectangle sliders (0..1000 of the scan's height): bottom edge, top edge, page width. The
# book's pages lie against the top of the glass, the scanner lid shows beyond their outer and
# bottom edges; at 960 the cut stays inside the pages and keeps the output page's shape.
SLIDER_SIZE=960
SLIDER_TOP=0
SLIDER_WIDTH=960

write_script() { # CONFIG BOOK_FOLDER NAME -> the script's path
    local c=$1 book=$2 script=$WORK/scripts/$3.txt
    mkdir -p "$WORK/scripts"
    {
        echo "# Benchmark configuration $c: every scan of the folder into two pages."
        echo "set Dirs \"$book\""
        echo "set TipoOrigen \"Imágenes JPG\""
        echo "set ChkSepara2Img 1"
        echo "set NoReducir 0"
        echo "set PermiteDistorsion 0"
        echo "set TipoGrande \"${TYPE[$c]}\""
        echo "set MasMenosAlG ${PH[$c]}"
        echo "set MasMenosAnG ${PW[$c]}"
        echo "set ColorBw \"${COLOR[$c]}\""
        echo "set UpDownQuality $QUALITY"
        echo "set HacerMini ${THUMBS[$c]}"
        if ((THUMBS[$c])); then
            echo "set TipoPeque \"${TYPE[$c]}\""
            echo "set MasMenosAlP $THUMB_H"
            echo "set MasMenosAnP $THUMB_W"
        fi
        ((COMPRESS[$c])) && echo "set Compresion 1"
        echo "click AceptaConfig"
        echo "set SelectionSize $SLIDER_SIZE"
        echo "set Altura $SLIDER_TOP"
        echo "set SelectionWidth $SLIDER_WIDTH"
        echo "select LocalFiles all"
        echo "click CortaLote"
        for value in MargenIzq MargenDch AnchoSeleccion MargenSuperior LimiteInferior AnchoPagina AltoPagina; do
            echo "print $value"
        done
    } >"$script"
    echo "$script"
}

# --- Checks ------------------------------------------------------------------------------------
# Exactly the expected pages (two per scan, named as the program names them), each of the right
# size and kind; with thumbnails, exactly the expected thumbnails too.
check_folder() { # FOLDER COUNT_SCANS SUFFIX EXT WIDTH HEIGHT KIND WHAT
    local folder=$1 n=$2 suffix=$3 ext=$4 width=$5 height=$6 kind=$7 what=$8
    [[ -d $folder ]] || die "$what: no folder $folder"
    local expected actual
    expected=$(for ((p = 1; p <= 2 * n; p++)); do printf 'libro%03d%s.%s\n' "$p" "$suffix" "$ext"; done | sort)
    # The record of what was cut, kept beside the pages for resuming, is no page.
    actual=$(cd "$folder" && find . -maxdepth 1 -type f ! -name .pliego-cortadas -printf '%f\n' | sort)
    if [[ $expected != "$actual" ]]; then
        diff <(echo "$expected") <(echo "$actual") | head -20 >&2 || true
        die "$what: $folder does not hold exactly the $((2 * n)) expected files (< expected, > found)"
    fi
    local bad
    # shellcheck disable=SC2086 # the names hold no blanks
    bad=$(cd "$folder" && "$IM_IDENTIFY" -ping -format '%f %w %h %m %z %C %[colorspace]\n' $expected |
        awk -v w="$width" -v h="$height" -v kind="$kind" '
            { ok = ($2 == w && $3 == h) }
            kind == "jpeg"    { ok = ok && $4 == "JPEG" && $7 == "sRGB" }
            kind ~ /^png/     { ok = ok && $4 == "PNG" && $5 == 8 }
            kind == "tiff-g4" { ok = ok && $4 == "TIFF" && $5 == 1 && $6 == "Group4" }
            !ok { print }')
    [[ -z $bad ]] || { echo "$bad" | head -5 >&2; die "$what: pages of the wrong size or kind in $folder"; }
    if [[ $kind == png-palette || $kind == png-rgb ]]; then
        local want=3 f
        [[ $kind == png-rgb ]] && want=2
        for f in $expected; do
            # PNG header: bit depth and colour type (3 palette, 2 RGB).
            read -r depth type < <(od -An -tu1 -j24 -N2 "$folder/$f")
            [[ $depth == 8 && $type == "$want" ]] ||
                die "$what: $folder/$f has bit depth $depth, colour type $type (want 8, $want)"
        done
    fi
}

check_outputs() { # CONFIG OUT_BIG OUT_SMALL WHAT
    local c=$1 big=$2 small=$3 what=$4 suffix=""
    ((THUMBS[$c])) && suffix=A
    check_folder "$big" "$SCANS_NOW" "$suffix" "${EXT[$c]}" "${PW[$c]}" "${PH[$c]}" "${KIND[$c]}" "$what"
    if ((THUMBS[$c])); then
        check_folder "$small" "$SCANS_NOW" B "${EXT[$c]}" "$THUMB_W" "$THUMB_H" "${KIND[$c]}" "$what (thumbnails)"
    elif [[ -e $small ]]; then
        die "$what: thumbnails were written to $small although none were asked for"
    fi
}

# --- Timing ------------------------------------------------------------------------------------
# timed LOG CMD...: runs CMD, sets WALL (seconds) and PEAK_KB (GNU time's maximum resident set
# size: the largest single process among CMD and everything it waited for).
timed() {
    local log=$1 start end mem=$WORK/time.out
    shift
    start=$(date +%s%N)
    if ! "$GNU_TIME" -f '%M' -o "$mem" "$@" >"$log" 2>&1; then
        tail -20 "$log" >&2
        die "failed: $* (log: $log)"
    fi
    end=$(date +%s%N)
    WALL=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", (e - s) / 1e9 }')
    PEAK_KB=$(tail -1 "$mem")
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { sort -g | tail -1; }
mb() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
verdict() { awk "BEGIN { exit !($1) }" && echo "met" || echo "**not met**"; }

# One row per book, configuration, tool and core count, keyed "BOOK/CONFIG/TOOL/CORES".
ROW_ORDER=()
declare -A ROW_WALL ROW_PEAK ROW_RUNS ROW_PAGES TOOL_LABEL
TOOL_LABEL=([pliego]="Pliego" [img2pdf]="img2pdf" [ocrmypdf]="ocrmypdf --jobs N" [vipsapi]="libvips C++ API, one process"
    [imagemagick]="ImageMagick convert, one process per spread"
    [vipscli]="libvips CLI, commands per page" [floor]="floor: djpeg + cjpeg, one process per file")
# measure KEY PAGES PREPARE CHECK CMD...: one warm-up and RUNS timed runs; PREPARE runs before
# each (not timed), CHECK after each (not timed), so a row that writes nothing fails.
measure() {
    local key=$1 pages=$2 prepare=$3 check=$4
    shift 4
    local walls=() peaks=() run
    for ((run = 0; run <= RUNS; run++)); do
        $prepare
        say "$key: $([[ $run == 0 ]] && echo warm-up || echo "run $run of $RUNS")"
        timed "$WORK/logs/${key//\//-}.$run.log" "$@"
        $check "$WORK/logs/${key//\//-}.$run.log"
        if ((run > 0)); then
            walls+=("$WALL")
            peaks+=("$PEAK_KB")
        fi
    done
    ROW_ORDER+=("$key")
    ROW_PAGES[$key]=$pages
    ROW_RUNS[$key]="${walls[*]}"
    ROW_WALL[$key]=$(printf '%s\n' "${walls[@]}" | median)
    ROW_PEAK[$key]=$(printf '%s\n' "${peaks[@]}" | maximum)
}
row() { [[ -n ${ROW_WALL[$1]-} ]]; } # KEY: was it measured?
rate() { awk -v p="${ROW_PAGES[$1]}" -v w="${ROW_WALL[$1]}" 'BEGIN { printf "%.2f", p / w }'; }

mkdir -p "$WORK/logs" "$WORK/out" "$WORK/tmp"
rm -f "$WORK"/logs/*
LOADAVG_START=$(cut -d' ' -f1-3 /proc/loadavg)

# --- Pliego ------------------------------------------------------------------------------------
declare -A GEOMETRY
CURRENT=""
pliego_prepare() { rm -rf "$BOOK/jpeg_big" "$BOOK/jpeg_small"; }
pliego_check() { # LOG
    local log=$1 written
    written=$(grep -c '^ListaProceso: Grabando imagen \.\.\.$' "$log" || true)
    ((written == 2 * SCANS_NOW)) || die "$CURRENT: the log shows $written pages written, not $((2 * SCANS_NOW)) ($log)"
    if grep -q '^ListaProceso: No se ' "$log"; then
        grep '^ListaProceso: No se ' "$log" | head -5 >&2
        die "$CURRENT: the program reported a failure ($log)"
    fi
    check_outputs "$CURRENT" "$BOOK/jpeg_big" "$BOOK/jpeg_small" "Pliego $CURRENT"
}
keep_outputs() { # CONFIG TOOL: move the last run's pages aside for the quality measures
    local dest=$WORK/out/$BOOK_KIND/$1/$2
    rm -rf "$dest"
    mkdir -p "$dest"
    mv "$BOOK/jpeg_big" "$dest/big"
    [[ -d $BOOK/jpeg_small ]] && mv "$BOOK/jpeg_small" "$dest/small"
    return 0
}
read_geometry() { # CONFIG LOG: the rectangle the program cut, in scan pixels
    local c=$1 log=$2
    GEOMETRY[$c]=$(awk -v sw="$SCAN_W" -v sh="$SCAN_H" '
        function r(x) { return sprintf("%.0f", x) + 0 }   # halves to even, as the program rounds
        / = / { v[$1] = $3 }
        END {
            if (!("LimiteInferior" in v)) exit 1
            xl = r(v["MargenIzq"]); xl2 = r(v["MargenIzq"] + v["AnchoSeleccion"])
            xr = r(v["MargenDch"]); xr2 = r(v["MargenDch"] + v["AnchoSeleccion"])
            y = v["MargenSuperior"]; y2 = r(v["LimiteInferior"])
            if (xl2 > sw) xl2 = sw; if (xr2 > sw) xr2 = sw; if (y2 > sh) y2 = sh
            scale = v["AltoPagina"] / v["LimiteInferior"]
            cw = r(v["AnchoPagina"] / scale); ch = r(v["AltoPagina"] / scale)
            print xl, xl2 - xl, xr, xr2 - xr, y, y2 - y, cw, ch, r(v["AnchoPagina"]), r(v["AltoPagina"])
        }' "$log") || die "$c: the program did not print the rectangle it cut ($log)"
}
run_pliego() { # CONFIG CORES
    local c=$1 n=$2 script
    CURRENT=$c
    script=$(write_script "$c" "$BOOK" "$BOOK_KIND-$c")
    measure "$BOOK_KIND/$c/pliego/$n" "$PAGES" pliego_prepare pliego_check \
        taskset -c "$(cpu_list "$n")" "$PLIEGO" --script "$script"
}

# --- Following the book ------------------------------------------------------------------------
# c1 over the page finder's ground-truth book (spreads turned by up to 3.5° and shifted on a dark
# bed), on every core: the same batch with chkSeguirLibro (each scan found, its pages sampled
# through its turn on the workers) and without, run by run in turn so that both meet the same
# load. The scan on screen as the batch starts is the first one. Writes WORK/follow.md.
FOLLOW_MD=$WORK/follow.md
follow_script() { # FOLLOW(0|1) FOLDER NAME -> the script's path
    local follow=$1 book=$2 script=$WORK/scripts/$3.txt
    mkdir -p "$WORK/scripts"
    {
        echo "# Following the book: c1 over turned scans, chkSeguirLibro $follow."
        echo "set Dirs \"$book\""
        echo "set TipoOrigen \"Imágenes JPG\""
        echo "set ChkSepara2Img 1"
        echo "set NoReducir 0"
        echo "set PermiteDistorsion 0"
        echo "set TipoGrande \"${TYPE[c1]}\""
        echo "set MasMenosAlG ${PH[c1]}"
        echo "set MasMenosAnG ${PW[c1]}"
        echo "set ColorBw \"${COLOR[c1]}\""
        echo "set UpDownQuality $QUALITY"
        echo "set HacerMini 0"
        echo "click AceptaConfig"
        echo "dblclick LocalFiles 0"
        echo "set SelectionSize $SLIDER_SIZE"
        echo "set Altura $SLIDER_TOP"
        echo "set SelectionWidth $SLIDER_WIDTH"
        echo "set chkSeguirLibro $follow"
        echo "select LocalFiles all"
        echo "click CortaLote"
    } >"$script"
    echo "$script"
}
follow_check() { # LOG FOLLOWED(0|1)
    local log=$1 followed=$2 written lines
    written=$(grep -c '^ListaProceso: Grabando imagen \.\.\.$' "$log" || true)
    ((written == 2 * FOLLOW_SCANS)) || die "following the book: the log shows $written pages written, not $((2 * FOLLOW_SCANS)) ($log)"
    if grep -q '^ListaProceso: No se ' "$log"; then
        grep '^ListaProceso: No se ' "$log" | head -5 >&2
        die "following the book: the program reported a failure ($log)"
    fi
    check_folder "$FOLLOW_BOOK/jpeg_big" "$FOLLOW_SCANS" "" jpg "${PW[c1]}" "${PH[c1]}" jpeg "following the book"
    if ((followed)); then
        lines=$(grep -cE '^ListaProceso: (Giro -?[0-9]+,[0-9]{2}°; desplazamiento|Libro no seguido \()' "$log" || true)
        ((lines == FOLLOW_SCANS)) || die "following the book: $lines scans say how they were followed, not $FOLLOW_SCANS ($log)"
    fi
}
run_follow() {
    local scripts=() walls_plain=() walls_followed=() peaks=() run followed log
    FOLLOW_BOOK=$(detect_book "$FOLLOW_SCANS" jpg)
    scripts[0]=$(follow_script 0 "$FOLLOW_BOOK" follow-plain)
    scripts[1]=$(follow_script 1 "$FOLLOW_BOOK" follow-followed)
    local load_start
    load_start=$(cut -d' ' -f1-3 /proc/loadavg)
    for ((run = 0; run <= RUNS; run++)); do
        for followed in 0 1; do
            rm -rf "$FOLLOW_BOOK/jpeg_big" "$FOLLOW_BOOK/jpeg_small"
            say "following the book: $( ((followed)) && echo "with" || echo "without") chkSeguirLibro, $([[ $run == 0 ]] && echo warm-up || echo "run $run of $RUNS")"
            log=$WORK/logs/follow-$followed.$run.log
            timed "$log" taskset -c "$(cpu_list "$ALL")" "$PLIEGO" --script "${scripts[$followed]}"
            follow_check "$log" "$followed"
            if ((run > 0)); then
                ((followed)) && walls_followed+=("$WALL") || walls_plain+=("$WALL")
                peaks[$followed]=$(printf '%s\n' "${peaks[$followed]-0}" "$PEAK_KB" | maximum)
            fi
        done
    done
    # How straight the followed pages came out (the last run's), by the finder's turn of each.
    "$TOOLS/bench_detect" --pages "$FOLLOW_BOOK/jpeg_big" >"$WORK/logs/follow-pages.log" 2>&1 ||
        { tail -5 "$WORK/logs/follow-pages.log" >&2; die "bench_detect --pages failed"; }
    local plain followed_wall pages=$((2 * FOLLOW_SCANS)) rate_plain rate_followed share found lost
    plain=$(printf '%s\n' "${walls_plain[@]}" | median)
    followed_wall=$(printf '%s\n' "${walls_followed[@]}" | median)
    rate_plain=$(awk -v p="$pages" -v w="$plain" 'BEGIN { printf "%.2f", p / w }')
    rate_followed=$(awk -v p="$pages" -v w="$followed_wall" 'BEGIN { printf "%.2f", p / w }')
    share=$(awk -v a="$rate_followed" -v b="$rate_plain" 'BEGIN { printf "%.0f", 100 * a / b }')
    found=$(grep -cE '^ListaProceso: Giro ' "$WORK/logs/follow-1.$RUNS.log" || true)
    lost=$(grep -c '^ListaProceso: Libro no seguido (' "$WORK/logs/follow-1.$RUNS.log" || true)
    {
        echo "## Following the book"
        echo
        echo "Measured by \`bench/run.sh${ARGS:+ $ARGS}\` on $(date -u '+%Y-%m-%d %H:%M UTC') ($(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)), program at commit $(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown)."
        echo
        echo "c1 (${PW[c1]} × ${PH[c1]} JPEG, quality $QUALITY, the sliders of every c1 row) over the first $FOLLOW_SCANS spreads of the page finder's book (4960 × 3508, turned by up to 3.5° and shifted on a dark bed), on $(cores "$ALL") (CPUs $(cpu_list "$ALL")), with \`chkSeguirLibro\` and without: the scan on screen as the batch starts is the first spread; each scan is found and its pages sampled through its turn on the batch workers. Median of $RUNS run(s) after one warm-up, the two batches run by run in turn; whole processes from start to exit. Load average at start $load_start, at end $(cut -d' ' -f1-3 /proc/loadavg)."
        echo
        echo "| Batch | Pages | Wall s (median) | Pages/s | Peak RSS MB | Runs (wall s) |"
        echo "|---|---:|---:|---:|---:|---|"
        echo "| without chkSeguirLibro | $pages | $plain | $rate_plain | $(mb "${peaks[0]}") | ${walls_plain[*]} |"
        echo "| with chkSeguirLibro | $pages | $followed_wall | $rate_followed | $(mb "${peaks[1]}") | ${walls_followed[*]} |"
        echo
        echo "| Target | Measured | |"
        echo "|---|---|---|"
        echo "| a batch with chkSeguirLibro keeps at least 85 % of the pages per second of the same batch without it | $rate_followed vs $rate_plain pages/s = $share % | $(verdict "$share >= 85") |"
        awk '$1 == "summary" { printf "| followed pages straight within 0.1° (the finder'"'"'s turn of each cut page with text) | max %s° over %s pages, median %s° | %s |\n", $5, $3, $7, ($5 <= 0.1 ? "met" : "**not met**") }' "$WORK/logs/follow-pages.log"
        echo
        echo "Scans followed: $found of $FOLLOW_SCANS; cut as set, unturned, where no book was found: $lost (the spreads whose pages are blank or plates). Each page's turn: build-bench/work/logs/follow-pages.log."
        echo
    } >"$FOLLOW_MD"
    rm -rf "$FOLLOW_BOOK/jpeg_big"
}

if ((FOLLOW_ONLY)); then
    ALL=$NCPU
    run_follow
    replace_section "Following the book" "$FOLLOW_MD"
    cat "$FOLLOW_MD"
    echo "Following the book: section written to $RESULTS"
    exit 0
fi

# --- Before and after --------------------------------------------------------------------------
# c1 over the noisy book of FLAT_SCANS spreads with an earlier build of the program and this one,
# run by run in turn so that both meet the same load, on every core and on one core. Writes
# WORK/before.md.
BEFORE_MD=$WORK/before.md
run_before() {
    BOOK_KIND=noisy
    BOOK=$(make_book noisy "$FLAT_SCANS")
    CURRENT=c1
    SCANS_NOW=$FLAT_SCANS
    local script pages=$((2 * FLAT_SCANS)) load_start n run which program log
    local -A walls
    script=$(write_script c1 "$BOOK" "before-after-c1")
    load_start=$(cut -d' ' -f1-3 /proc/loadavg)
    for n in "$ALL" 1; do
        for ((run = 0; run <= RUNS; run++)); do
            for which in before after; do
                program=$PLIEGO
                [[ $which == before ]] && program=$BEFORE
                pliego_prepare
                say "before and after: $which on $(cores "$n"), $([[ $run == 0 ]] && echo warm-up || echo "run $run of $RUNS")"
                log=$WORK/logs/before-after-$which-$n.$run.log
                timed "$log" taskset -c "$(cpu_list "$n")" "$program" --script "$script"
                pliego_check "$log"
                ((run > 0)) && walls[$which/$n]+="$WALL "
            done
        done
    done
    pliego_prepare
    {
        echo "## Before and after"
        echo
        echo "Measured by \`bench/run.sh${ARGS:+ $ARGS}\` on $(date -u '+%Y-%m-%d %H:%M UTC') ($(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)); after: the program at commit $(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown); before: $BEFORE$(git -C "$(dirname "$BEFORE")" rev-parse --short HEAD 2>/dev/null | sed 's/.*/, built from commit &/')."
        echo
        echo "c1 over the noisy book of $FLAT_SCANS spreads ($pages pages), the earlier program and this one run by run in turn on the same cores; median of $RUNS run(s) after one warm-up each, whole processes from start to exit. Load average at start $load_start, at end $(cut -d' ' -f1-3 /proc/loadavg)."
        echo
        echo "| Cores | Before: wall s (median) | Before: pages/s | After: wall s (median) | After: pages/s | Change | Runs before (wall s) | Runs after (wall s) |"
        echo "|---|---:|---:|---:|---:|---:|---|---|"
        for n in "$ALL" 1; do
            local before after
            before=$(printf '%s\n' ${walls[before/$n]} | median)
            after=$(printf '%s\n' ${walls[after/$n]} | median)
            awk -v c="$(cores "$n")" -v p="$pages" -v b="$before" -v a="$after" -v rb="${walls[before/$n]% }" -v ra="${walls[after/$n]% }" \
                'BEGIN { printf "| %s | %.3f | %.2f | %.3f | %.2f | %+.0f %% | %s | %s |\n", c, b, p / b, a, p / a, 100 * (b / a - 1), rb, ra }'
        done
        echo
    } >"$BEFORE_MD"
}

if [[ -n $BEFORE ]]; then
    ALL=$NCPU
    run_before
    replace_section "Before and after" "$BEFORE_MD"
    cat "$BEFORE_MD"
    echo "Before and after: section written to $RESULTS"
    exit 0
fi

# --- The libvips C++ API peer ------------------------------------------------------------------
# One process that keeps the cores it is given busy (bench_vips_peer, tools/vips_peer.cpp).
declare -A VIPS_KIND=([c1]=jpeg [c1t]=jpeg-thumbs [c2]=png-palette [c3]=tiff-g4)
PEER_CONFIG=""
PEER_TOOL=""
peer_out() { echo "$WORK/out/$BOOK_KIND/$PEER_CONFIG/$PEER_TOOL"; }
peer_prepare() {
    local out
    out=$(peer_out)
    rm -rf "$out"
    mkdir -p "$out/big"
    ((THUMBS[$PEER_CONFIG])) && mkdir -p "$out/small"
    return 0
}
peer_check() {
    local out
    out=$(peer_out)
    check_outputs "$PEER_CONFIG" "$out/big" "$out/small" "$PEER_TOOL $BOOK_KIND $PEER_CONFIG"
}
page_names() { # CONFIG OUT K -> LEFT RIGHT THUMB_LEFT THUMB_RIGHT of scan K
    local c=$1 out=$2 k=$3 suffix=""
    ((THUMBS[$c])) && suffix=A
    printf '%s/big/libro%03d%s.%s\t' "$out" $((2 * k - 1)) "$suffix" "${EXT[$c]}"
    printf '%s/big/libro%03d%s.%s\t' "$out" $((2 * k)) "$suffix" "${EXT[$c]}"
    printf '%s/small/libro%03dB.%s\t' "$out" $((2 * k - 1)) "${EXT[$c]}"
    printf '%s/small/libro%03dB.%s\n' "$out" $((2 * k)) "${EXT[$c]}"
}
run_vips_api() { # CONFIG CORES
    local c=$1 n=$2 jobs=$WORK/jobs/$BOOK_KIND-vipsapi-$1.tsv k
    PEER_CONFIG=$c
    PEER_TOOL=vipsapi
    mkdir -p "$WORK/jobs"
    for ((k = 1; k <= SCANS; k++)); do
        IFS=$'\t' read -r left right tleft tright < <(page_names "$c" "$(peer_out)" "$k")
        if ((THUMBS[$c])); then
            printf '%s\t%s\t%s\t%s\t%s\n' "$(printf '%s/libro%03d.jpg' "$BOOK" "$k")" "$left" "$right" "$tleft" "$tright"
        else
            printf '%s\t%s\t%s\n' "$(printf '%s/libro%03d.jpg' "$BOOK" "$k")" "$left" "$right"
        fi
    done >"$jobs"
    local args=(--kind "${VIPS_KIND[$c]}" --geometry "${GEOMETRY[$c]}" --quality "$QUALITY"
        --png-compression "$PNG_LEVEL")
    ((THUMBS[$c])) && args+=(--thumb "$THUMB_W" "$THUMB_H")
    measure "$BOOK_KIND/$c/vipsapi/$n" "$PAGES" peer_prepare peer_check \
        taskset -c "$(cpu_list "$n")" "$TOOLS/bench_vips_peer" "${args[@]}" "$jobs"
}

# --- The command-line peers --------------------------------------------------------------------
# One shell script per scan; the list of them runs as many at a time as there are cores.
q() { printf '%q' "$1"; }
write_cli_jobs() { # TOOL CONFIG -> the job list's path
    local tool=$1 c=$2 jobs=$WORK/jobs/$BOOK_KIND-$1-$2 out
    out=$(peer_out)
    read -r XL WL XR WR Y H CW CH PWc PHc <<<"${GEOMETRY[$c]}"
    rm -rf "$jobs"
    mkdir -p "$jobs"
    local k
    for ((k = 1; k <= SCANS; k++)); do
        local scan left right tleft tright job
        scan=$(printf '%s/libro%03d.jpg' "$BOOK" "$k")
        IFS=$'\t' read -r left right tleft tright < <(page_names "$c" "$out" "$k")
        job=$(printf '%s/%03d.sh' "$jobs" "$k")
        case $tool in
        imagemagick) write_im_job "$c" "$scan" "$left" "$right" "$tleft" "$tright" >"$job" ;;
        vipscli) write_vips_job "$c" "$scan" "$left" "$right" "$tleft" "$tright" "$WORK/tmp/$tool-$BOOK_KIND-$c-$k" >"$job" ;;
        esac
        echo "$job"
    done >"$jobs.list"
    echo "$jobs.list"
}

# ImageMagick: one process per scan writes both pages (and their thumbnails).
write_im_job() { # CONFIG SCAN LEFT RIGHT THUMB_LEFT THUMB_RIGHT
    local c=$1 scan=$2 left=$3 right=$4 tleft=$5 tright=$6 format prefix=""
    case ${KIND[$c]} in
    jpeg) format="-quality $QUALITY" ;;
    png-palette) format="-colors 256"; prefix="PNG8:" ;;
    tiff-g4) format="-colorspace Gray -threshold 50% -type bilevel -compress Group4" ;;
    esac
    page() { # X W THUMB
        local ext=""
        # The canvas of the output page's shape, white where the cut does not reach.
        [[ $2 != "$CW" || $H != "$CH" ]] && ext="-background white -extent ${CW}x${CH}"
        printf -- '-crop %sx%s+%s+%s +repage %s -resize %s %s' "$2" "$H" "$1" "$Y" "$ext" \
            "$(q "${PWc}x${PHc}!")" "$format"
        if ((THUMBS[$c])); then
            printf -- ' \\( +clone -resize %s -write %s +delete \\)' "$(q "${THUMB_W}x${THUMB_H}!")" "$(q "$prefix$3")"
        fi
    }
    echo "set -e"
    printf '%s %s \\( +clone %s -write %s +delete \\) %s %s\n' "$(q "$IM_CONVERT")" "$(q "$scan")" \
        "$(page "$XL" "$WL" "$tleft")" "$(q "$prefix$left")" "$(page "$XR" "$WR" "$tright")" "$(q "$prefix$right")"
}

# libvips: per page, a crop and a resize (and the steps a format needs), through .v files.
write_vips_job() { # CONFIG SCAN LEFT RIGHT THUMB_LEFT THUMB_RIGHT TMP
    local c=$1 scan=$2 left=$3 right=$4 tleft=$5 tright=$6 tmp=$7 vips
    vips=$(q "$VIPS")
    echo "set -e"
    echo "mkdir -p $(q "$tmp")"
    page() { # X W OUT THUMB
        local src=$tmp/cut.v
        echo "$vips crop $(q "$scan") $(q "$tmp/cut.v") $1 $Y $2 $H"
        if [[ $2 != "$CW" || $H != "$CH" ]]; then
            echo "$vips embed $(q "$tmp/cut.v") $(q "$tmp/canvas.v") 0 0 $CW $CH --extend background --background 255"
            src=$tmp/canvas.v
        fi
        local hs vs
        hs=$(awk -v a="$PWc" -v b="$CW" 'BEGIN { printf "%.15g", a / b }')
        vs=$(awk -v a="$PHc" -v b="$CH" 'BEGIN { printf "%.15g", a / b }')
        case ${KIND[$c]} in
        jpeg)
            if ((THUMBS[$c])); then
                local ths tvs
                ths=$(awk -v a="$THUMB_W" -v b="$PWc" 'BEGIN { printf "%.15g", a / b }')
                tvs=$(awk -v a="$THUMB_H" -v b="$PHc" 'BEGIN { printf "%.15g", a / b }')
                echo "$vips resize $(q "$src") $(q "$tmp/page.v") $hs --vscale $vs"
                echo "$vips copy $(q "$tmp/page.v") $(q "$3[Q=$QUALITY]")"
                echo "$vips resize $(q "$tmp/page.v") $(q "$4[Q=$QUALITY]") $ths --vscale $tvs"
            else
                echo "$vips resize $(q "$src") $(q "$3[Q=$QUALITY]") $hs --vscale $vs"
            fi ;;
        png-palette)
            echo "$vips resize $(q "$src") $(q "$3[palette]") $hs --vscale $vs" ;;
        tiff-g4)
            echo "$vips resize $(q "$src") $(q "$tmp/page.v") $hs --vscale $vs"
            echo "$vips colourspace $(q "$tmp/page.v") $(q "$tmp/grey.v") b-w"
            echo "$vips relational_const $(q "$tmp/grey.v") $(q "$3[compression=ccittfax4,bitdepth=1]") moreeq 128" ;;
        esac
    }
    page "$XL" "$WL" "$left" "$tleft"
    page "$XR" "$WR" "$right" "$tright"
    echo "rm -rf $(q "$tmp")"
}

run_cli() { # TOOL CONFIG CORES [untimed]
    local tool=$1 c=$2 n=$3 list
    PEER_CONFIG=$c
    PEER_TOOL=$tool
    list=$(write_cli_jobs "$tool" "$c")
    if [[ ${4-} == untimed ]]; then
        peer_prepare
        taskset -c "$(cpu_list "$n")" xargs -a "$list" -P "$n" -n 1 bash >"$WORK/logs/$BOOK_KIND-$tool-$c-untimed.log" 2>&1 ||
            die "$tool $c failed (log: $WORK/logs/$BOOK_KIND-$tool-$c-untimed.log)"
        peer_check
    else
        measure "$BOOK_KIND/$c/$tool/$n" "$PAGES" peer_prepare peer_check \
            taskset -c "$(cpu_list "$n")" xargs -a "$list" -P "$n" -n 1 bash
    fi
}

# --- The floor: libjpeg-turbo alone ------------------------------------------------------------
# What decoding the scans and encoding the c1 pages costs by itself: per scan, one djpeg to PPM
# and one cjpeg per page (from raw pixels made beforehand from Pliego's c1 pages), as many of
# those at a time as there are cores.
FLOOR_DIR=""
floor_prepare() { rm -rf "$FLOOR_DIR/out"; mkdir -p "$FLOOR_DIR/out"; }
floor_check() { check_folder "$FLOOR_DIR/out" "$SCANS" "" jpg "${PW[c1]}" "${PH[c1]}" jpeg "floor $BOOK_KIND"; }
prepare_floor() {
    FLOOR_DIR=$WORK/floor/$BOOK_KIND
    rm -rf "$FLOOR_DIR"
    mkdir -p "$FLOOR_DIR/ppm" "$FLOOR_DIR/out"
    say "floor: decoding the $BOOK_KIND book's c1 pages to raw pixels (not timed)"
    local page k
    for page in "$WORK/out/$BOOK_KIND/c1/pliego/big"/*.jpg; do
        "$DJPEG" -outfile "$FLOOR_DIR/ppm/$(basename "$page" .jpg).ppm" "$page"
    done
    for ((k = 1; k <= SCANS; k++)); do
        local left right
        left=$(printf 'libro%03d' $((2 * k - 1)))
        right=$(printf 'libro%03d' $((2 * k)))
        echo "$(q "$DJPEG") -ppm -outfile /dev/null $(q "$(printf '%s/libro%03d.jpg' "$BOOK" "$k")")" \
            "&& $(q "$CJPEG") -quality $QUALITY -outfile $(q "$FLOOR_DIR/out/$left.jpg") $(q "$FLOOR_DIR/ppm/$left.ppm")" \
            "&& $(q "$CJPEG") -quality $QUALITY -outfile $(q "$FLOOR_DIR/out/$right.jpg") $(q "$FLOOR_DIR/ppm/$right.ppm")"
    done >"$FLOOR_DIR/jobs.txt"
}
run_floor() { # CORES
    local n=$1
    measure "$BOOK_KIND/c1/floor/$n" "$PAGES" floor_prepare floor_check \
        taskset -c "$(cpu_list "$n")" xargs -a "$FLOOR_DIR/jobs.txt" -d '\n' -P "$n" -n 1 sh -c
}

# --- Quality -----------------------------------------------------------------------------------
declare -A MAE # BOOK/WHAT -> "R G B worstR worstG worstB"
mae() { # KEY FOLDER_A FOLDER_B
    local log=$WORK/logs/mae-${1//\//-}.txt
    "$TOOLS/bench_mae" "$2" "$3" >"$log" || die "bench_mae $2 $3 failed"
    MAE[$1]=$(awk '$1 == "mean" || $1 == "worst" { printf "%s%s %s %s", sep, $2, $3, $4; sep = " " }' "$log")
}

# --- Preview -----------------------------------------------------------------------------------
declare -A PREVIEW # BOOK -> the file of bench_preview's lines
preview() { awk -v n="$2" -v s="$3" '$1 == n && $2 == s { print $3 }' "${PREVIEW[$1]}"; } # BOOK NAME STAT

# --- Every book --------------------------------------------------------------------------------
declare -A BOOK_BYTES BOOK_SAMPLING
ALL=$NCPU
BOOKS_NOW=$BOOKS
((PDF_ONLY)) && BOOKS_NOW=""
for BOOK_KIND in $BOOKS_NOW; do
    BOOK=$(make_book "$BOOK_KIND" "$SCANS")
    SCANS_NOW=$SCANS
    PAGES=$((2 * SCANS))
    read -r SCAN_W SCAN_H < <("$IM_IDENTIFY" -ping -format '%w %h\n' "$BOOK/libro001.jpg")
    BOOK_BYTES[$BOOK_KIND]=$(stat -L -c %s "$BOOK"/libro*.jpg | awk '{ s += $1 } END { printf "%.2f", s / NR / 1e6 }')
    BOOK_SAMPLING[$BOOK_KIND]=$("$IM_IDENTIFY" -format '%[jpeg:sampling-factor]' "$BOOK/libro001.jpg")

    for c in $CONFIGS; do
        run_pliego "$c" "$ALL"
        read_geometry "$c" "$WORK/logs/$BOOK_KIND-$c-pliego-$ALL.$RUNS.log"
        keep_outputs "$c" pliego
    done
    if has "$CONFIGS" c1; then
        for n in "${CORE_COUNTS[@]}"; do
            ((n == ALL)) || { run_pliego c1 "$n"; pliego_prepare; }
        done
    fi

    for c in $CONFIGS; do
        run_vips_api "$c" "$ALL"
    done
    if has "$CONFIGS" c1; then
        for n in "${CORE_COUNTS[@]}"; do
            ((n == ALL)) || run_vips_api c1 "$n"
        done
    fi

    if has "$CLI_BOOKS" "$BOOK_KIND"; then
        for c in $PEER_CONFIGS; do
            run_cli imagemagick "$c" "$ALL"
            run_cli vipscli "$c" "$ALL"
        done
    fi

    if has "$CONFIGS" c1; then
        prepare_floor
        for n in "${CORE_COUNTS[@]}"; do run_floor "$n"; done
        # The quality reference: ImageMagick's pages of the same cut.
        if ! row "$BOOK_KIND/c1/imagemagick/$ALL"; then
            say "quality: ImageMagick's c1 pages of the $BOOK_KIND book (not timed)"
            run_cli imagemagick c1 "$ALL" untimed
        fi
        mae "$BOOK_KIND/c1" "$WORK/out/$BOOK_KIND/c1/pliego/big" "$WORK/out/$BOOK_KIND/c1/imagemagick/big"
        mae "$BOOK_KIND/c1-vipsapi" "$WORK/out/$BOOK_KIND/c1/vipsapi/big" "$WORK/out/$BOOK_KIND/c1/imagemagick/big"
    fi
    if has "$CONFIGS" c2; then
        say "quality: c2's pages of the $BOOK_KIND book again in 24-bit colour (not timed)"
        CURRENT=c2ref
        script=$(write_script c2ref "$BOOK" "$BOOK_KIND-c2ref")
        pliego_prepare
        timed "$WORK/logs/$BOOK_KIND-c2ref.log" taskset -c "$(cpu_list "$ALL")" "$PLIEGO" --script "$script"
        pliego_check "$WORK/logs/$BOOK_KIND-c2ref.log"
        keep_outputs c2ref pliego
        mae "$BOOK_KIND/c2" "$WORK/out/$BOOK_KIND/c2/pliego/big" "$WORK/out/$BOOK_KIND/c2ref/pliego/big"
    fi

    say "preview: loading $BOOK_KIND scans into the automatic tab and moving sliders"
    PREVIEW[$BOOK_KIND]=$WORK/logs/preview-$BOOK_KIND.txt
    taskset -c "$(cpu_list "$ALL")" "$TOOLS/bench_preview" "$BOOK" 6 60 >"${PREVIEW[$BOOK_KIND]}" 2>"$WORK/logs/preview-$BOOK_KIND.err" ||
        { cat "$WORK/logs/preview-$BOOK_KIND.err" >&2; die "bench_preview failed"; }
done

# --- Memory over a long batch ------------------------------------------------------------------
# Runs c1 over a noisy book of FLAT_SCANS spreads on every core and samples the program's
# resident memory, its peak so far and its threads each time a scan is finished.
FLAT_KIND=noisy
has "$BOOKS" noisy || FLAT_KIND=${BOOKS%% *}
if ((FLAT)); then
    BOOK_KIND=$FLAT_KIND
    BOOK=$(make_book "$FLAT_KIND" "$FLAT_SCANS")
    CURRENT=c1
    SCANS_NOW=$FLAT_SCANS
    script=$(write_script c1 "$BOOK" "flat-c1")
    pliego_prepare
    say "memory: c1 over $FLAT_SCANS $FLAT_KIND spreads on $(cores "$ALL"), sampled after every scan"
    fifo=$WORK/tmp/flat.fifo
    rm -f "$fifo"
    mkfifo "$fifo"
    flat_log=$WORK/logs/pliego-flat.log
    flat_rss=$WORK/logs/flat-rss.tsv
    : >"$flat_log"
    taskset -c "$(cpu_list "$ALL")" "$PLIEGO" --script "$script" >"$fifo" 2>"$WORK/logs/pliego-flat.err" &
    pid=$!
    scan_no=0
    echo -e "scan\trss_kb\tpeak_kb\tthreads" >"$flat_rss"
    while IFS= read -r line; do
        echo "$line" >>"$flat_log"
        if [[ $line == "ListaProceso: ** --------------- **" ]]; then
            scan_no=$((scan_no + 1))
            awk -v n="$scan_no" '/^VmRSS:/ { r = $2 } /^VmHWM:/ { h = $2 } /^Threads:/ { t = $2 }
                END { print n "\t" r "\t" h "\t" t }' "/proc/$pid/status" >>"$flat_rss" 2>/dev/null || true
        fi
    done <"$fifo"
    wait "$pid" || die "the $FLAT_SCANS-scan batch failed (log: $flat_log)"
    rm -f "$fifo"
    pliego_check "$flat_log"
    pliego_prepare
    FLAT_SUMMARY=$(awk -F'\t' 'NR > 1 && $2 != "" {
            n++; s[n] = $1; r[n] = $2; h = $3; if ($4 > t) t = $4
        }
        END {
            if (n < 2) exit 1
            first = int(n / 10); if (first < 1) first = 1
            # least-squares slope of the resident memory from the first tenth of the batch on
            for (i = first; i <= n; i++) { m++; sx += s[i]; sy += r[i]; sxx += s[i] * s[i]; sxy += s[i] * r[i] }
            slope = (m * sxx - sx * sx) ? (m * sxy - sx * sy) / (m * sxx - sx * sx) : 0
            printf "%d %.1f %.1f %.1f %.1f %.3f %d\n", n, r[first] / 1024, r[int((n + 1) / 2)] / 1024, r[n] / 1024, h / 1024, slope / 1024, t
        }' "$flat_rss") || die "no memory samples from the $FLAT_SCANS-scan batch"

    # The same book timed like the short ones, on every core and on one, with the floor beside:
    # the program's start and the filling of its pipeline weigh on a 20-scan batch several times
    # what they weigh on a book.
    LONG_KIND=$FLAT_KIND-$FLAT_SCANS
    saved=("$SCANS" "$PAGES")
    BOOK_KIND=$LONG_KIND
    SCANS=$FLAT_SCANS
    PAGES=$((2 * FLAT_SCANS))
    measure "$LONG_KIND/c1/pliego/$ALL" "$PAGES" pliego_prepare pliego_check \
        taskset -c "$(cpu_list "$ALL")" "$PLIEGO" --script "$script"
    keep_outputs c1 pliego
    for n in "${CORE_COUNTS[@]}"; do
        ((n == ALL)) || measure "$LONG_KIND/c1/pliego/$n" "$PAGES" pliego_prepare pliego_check \
            taskset -c "$(cpu_list "$n")" "$PLIEGO" --script "$script"
    done
    pliego_prepare
    prepare_floor
    for n in "${CORE_COUNTS[@]}"; do run_floor "$n"; done
    rm -rf "$FLOOR_DIR" "$WORK/out/$LONG_KIND"
    SCANS=${saved[0]}
    PAGES=${saved[1]}
fi
((DETECT)) && run_detect
((FOLLOW)) && run_follow
# --- The book PDF ------------------------------------------------------------------------------
# Pliego's own cut pages (c1 of the noisy book, named by their number as the numbering gives
# them) into one PDF: Pliego's core (bench_book_pdf) against img2pdf without OCR, and against
# ocrmypdf on the first PDF_OCR_PAGES of them with OCR; every row on every core.
pdf_words() { # PDF -> words pdftotext finds: runs of two or more letters
    pdftotext "$1" - 2>/dev/null | grep -oE '[[:alpha:]]{2,}' | wc -l
}
pdf_check() { # PDF PAGES WHAT: every page there (after every run)
    local n
    n=$(pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ { print $2 }')
    [[ $n == "$2" ]] || die "$3: $1 has ${n:-no} pages, not $2"
}
if ((PDF)); then
    PDF_DIR=$WORK/pdf
    rm -rf "$PDF_DIR"
    mkdir -p "$PDF_DIR/pages" "$PDF_DIR/ocr-pages" "$PDF_DIR/out"
    say "book PDF: cutting $PDF_PAGES pages from $((PDF_PAGES / 2)) noisy spreads (not timed)"
    BOOK_KIND=noisy
    BOOK=$(make_book noisy $((PDF_PAGES / 2)))
    CURRENT=c1
    SCANS_NOW=$((PDF_PAGES / 2))
    pliego_prepare
    script=$(write_script c1 "$BOOK" "pdf-pages")
    timed "$WORK/logs/pdf-pages.log" taskset -c "$(cpu_list "$ALL")" "$PLIEGO" --script "$script"
    pliego_check "$WORK/logs/pdf-pages.log"
    for ((p = 1; p <= PDF_PAGES; p++)); do
        mv "$(printf '%s/jpeg_big/libro%03d.jpg' "$BOOK" "$p")" "$(printf '%s/pages/%03d.jpg' "$PDF_DIR" "$p")"
        ((p <= PDF_OCR_PAGES)) && ln "$(printf '%s/pages/%03d.jpg' "$PDF_DIR" "$p")" "$(printf '%s/ocr-pages/%03d.jpg' "$PDF_DIR" "$p")"
    done
    pliego_prepare
    PDF_PAGE_BYTES=$(cat "$PDF_DIR"/pages/*.jpg | wc -c)
    read -r PDF_PAGE_W PDF_PAGE_H < <("$IM_IDENTIFY" -ping -format '%w %h\n' "$PDF_DIR/pages/001.jpg")

    say "book PDF: the PDF libraries on the same pages"
    mkdir -p "$PDF_DIR/libraries"
    "$TOOLS/bench_pdf_libraries" "$PDF_DIR/libraries" "$PDF_DIR"/pages/*.jpg >"$WORK/logs/pdf-libraries.tsv" ||
        die "bench_pdf_libraries failed"
    for lib in "$PDF_DIR"/libraries/*.pdf; do
        qpdf --check "$lib" >/dev/null 2>&1 && echo "$(basename "$lib" .pdf) passes" || echo "$(basename "$lib" .pdf) fails"
    done >"$WORK/logs/pdf-libraries-check.txt"
    rm -rf "$PDF_DIR/libraries"

    PDF_OUT=""
    PDF_EXPECT=0
    pdf_prepare() { rm -f "$PDF_OUT"; }
    pdf_done() { pdf_check "$PDF_OUT" "$PDF_EXPECT" "book PDF"; }
    declare -A PDF_BYTES PDF_WORDS
    run_pdf_row() { # KEY OUTPUT PAGES CMD...
        local key=$1
        PDF_OUT=$2
        PDF_EXPECT=$3
        shift 3
        measure "$key" "$PDF_EXPECT" pdf_prepare pdf_done taskset -c "$(cpu_list "$ALL")" "$@"
        # qpdf's check reads every stream of the file: once per row, on the last run's file.
        qpdf --check "$PDF_OUT" >/dev/null 2>&1 || die "book PDF: $PDF_OUT does not pass qpdf --check"
        PDF_BYTES[$key]=$(stat -c %s "$PDF_OUT")
    }
    run_pdf_row "pdf/jpeg/pliego/$ALL" "$PDF_DIR/out/pliego.pdf" "$PDF_PAGES" \
        "$TOOLS/bench_book_pdf" "$PDF_DIR/pages" "$PDF_DIR/out/pliego.pdf"
    # The JPEG pages' bytes must be in the file as they are.
    for page in "$PDF_DIR/pages/001.jpg" "$PDF_DIR/pages/$(printf '%03d' "$PDF_PAGES").jpg"; do
        obj=$(qpdf --json=2 "$PDF_DIR/out/pliego.pdf" | python3 -c "import json,sys; p=json.load(sys.stdin)['pages']; print(p[$(( $(basename "$page" .jpg | sed 's/^0*//') - 1 ))]['images'][0]['object'].split()[0])")
        cmp -s <(qpdf --show-object="$obj" --raw-stream-data "$PDF_DIR/out/pliego.pdf") "$page" ||
            die "book PDF: the stream of $page is not the file's bytes"
    done
    run_pdf_row "pdf/jpeg/img2pdf/$ALL" "$PDF_DIR/out/img2pdf.pdf" "$PDF_PAGES" \
        img2pdf --output "$PDF_DIR/out/img2pdf.pdf" "$PDF_DIR"/pages/*.jpg
    # ocrmypdf takes a PDF: img2pdf's of the same pages, made before timing.
    img2pdf --output "$PDF_DIR/ocr-input.pdf" "$PDF_DIR"/ocr-pages/*.jpg
    run_pdf_row "pdf/ocr/pliego/$ALL" "$PDF_DIR/out/pliego-ocr.pdf" "$PDF_OCR_PAGES" \
        "$TOOLS/bench_book_pdf" --ocr spa+eng "$PDF_DIR/ocr-pages" "$PDF_DIR/out/pliego-ocr.pdf"
    PDF_WORDS[pliego]=$(pdf_words "$PDF_DIR/out/pliego-ocr.pdf")
    run_pdf_row "pdf/ocr/ocrmypdf/$ALL" "$PDF_DIR/out/ocrmypdf.pdf" "$PDF_OCR_PAGES" \
        ocrmypdf --jobs "$ALL" -l spa+eng "$PDF_DIR/ocr-input.pdf" "$PDF_DIR/out/ocrmypdf.pdf"
    PDF_WORDS[ocrmypdf]=$(pdf_words "$PDF_DIR/out/ocrmypdf.pdf")
fi

LOADAVG_END=$(cut -d' ' -f1-3 /proc/loadavg)
ELAPSED=$SECONDS # from the start of the script, the build included


# --- The tables --------------------------------------------------------------------------------
ratio() { [[ -n $1 && -n $2 ]] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }' || echo "–"; }
or_dash() { [[ -n $1 ]] && echo "$1" || echo "–"; }
rate_of() { row "$1" && rate "$1" || true; } # KEY -> pages/s, or empty
strongest_peer() { # BOOK CONFIG CORES -> "PAGES_PER_S TOOL" of the fastest peer row, or empty
    local b=$1 c=$2 n=$3 tool best="" who=""
    for tool in vipsapi imagemagick vipscli; do
        local v
        v=$(rate_of "$b/$c/$tool/$n")
        [[ -n $v ]] || continue
        if [[ -z $best ]] || awk -v a="$v" -v b="$best" 'BEGIN { exit !(a > b) }'; then
            best=$v
            who=$tool
        fi
    done
    [[ -n $best ]] && echo "$best $who"
    return 0
}

# --- The book PDF's section of the report ------------------------------------------------------
pdf_report() {
    local key r1 r2 b1 b2 w1 w2 ratio_ocr
    echo "## Book PDF"
    echo
    echo "Measured by \`bench/run.sh${ARGS:+ $ARGS}\` on $(date -u '+%Y-%m-%d %H:%M UTC'), $(cores "$ALL") ($(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)); load average at start $LOADAVG_START, at end $LOADAVG_END."
    echo
    echo "The pages: Pliego's c1 pages of the noisy book ($PDF_PAGES pages of $PDF_PAGE_W × $PDF_PAGE_H, JPEG quality $QUALITY, $(awk -v b="$PDF_PAGE_BYTES" 'BEGIN { printf "%.1f", b / 1e6 }') MB in all), named 001.jpg … as the numbering names them; the OCR rows take the first $PDF_OCR_PAGES. Every row on $(cores "$ALL") with taskset, median of $RUNS run(s) after one warm-up, whole processes. Pliego: \`bench_book_pdf\` (the book core, one worker per core it may run on). img2pdf $(img2pdf --version 2>&1 | awk '{ print $2 }'). ocrmypdf $(ocrmypdf --version 2>/dev/null) \`--jobs $ALL -l spa+eng\`, otherwise as it comes (PDF/A output), on img2pdf's PDF of the same pages made beforehand (not timed). Both read Spanish and English (spa+eng). Words: runs of two or more letters in pdftotext's text of the file."
    echo
    echo "| Rows | Tool | Pages | Wall s (median) | Pages/s | File MB | Words found by pdftotext |"
    echo "|---|---|---:|---:|---:|---:|---:|"
    for key in "pdf/jpeg/pliego/$ALL" "pdf/jpeg/img2pdf/$ALL" "pdf/ocr/pliego/$ALL" "pdf/ocr/ocrmypdf/$ALL"; do
        IFS=/ read -r _ c tool _ <<<"$key"
        local words="–"
        [[ $c == ocr ]] && words=${PDF_WORDS[$tool]}
        printf '| %s | %s | %s | %.2f | %s | %s | %s |\n' "$([[ $c == ocr ]] && echo "with OCR" || echo "without OCR")" \
            "${TOOL_LABEL[$tool]}" "${ROW_PAGES[$key]}" "${ROW_WALL[$key]}" "$(rate "$key")" \
            "$(awk -v b="${PDF_BYTES[$key]}" 'BEGIN { printf "%.2f", b / 1e6 }')" "$words"
    done
    echo
    r1=$(rate "pdf/jpeg/pliego/$ALL")
    r2=$(rate "pdf/jpeg/img2pdf/$ALL")
    b1=${PDF_BYTES[pdf/jpeg/pliego/$ALL]}
    b2=${PDF_BYTES[pdf/jpeg/img2pdf/$ALL]}
    echo "| Target | Measured | |"
    echo "|---|---|---|"
    echo "| without OCR, at least img2pdf's pages/s | $r1 vs $r2 pages/s = $(ratio "$r1" "$r2") × | $(verdict "$r1 >= $r2") |"
    local diff
    diff=$(awk -v a="$b1" -v b="$b2" 'BEGIN { printf "%+.2f", (a / b - 1) * 100 }')
    echo "| without OCR, the file within 1 % of img2pdf's size | $b1 vs $b2 bytes = $diff % | $(verdict "${diff#+} <= 1 && ${diff#+} >= -1") |"
    r1=$(rate "pdf/ocr/pliego/$ALL")
    r2=$(rate "pdf/ocr/ocrmypdf/$ALL")
    ratio_ocr=$(ratio "$r1" "$r2")
    echo "| with OCR, at least 1.5 × ocrmypdf's pages/s | $r1 vs $r2 pages/s = $ratio_ocr × | $(verdict "$ratio_ocr >= 1.5") |"
    w1=${PDF_WORDS[pliego]}
    w2=${PDF_WORDS[ocrmypdf]}
    echo "| with OCR, at least ocrmypdf's share of the words | $w1 vs $w2 words = $(ratio "$w1" "$w2") × | $(verdict "$w1 >= $w2") |"
    ((PDF_OCR_PAGES < PDF_PAGES)) && { echo; echo "The OCR rows ran on $PDF_OCR_PAGES of the $PDF_PAGES pages (\`--pdf-ocr $PDF_OCR_PAGES\`): on $(cores "$ALL") the full book takes too long for both tools."; }
    echo
    echo "### The PDF libraries, on the same $PDF_PAGES JPEG pages"
    echo
    echo "\`bench_pdf_libraries\` (\`tools/pdf_libraries.cpp\`): one process, one thread, the pages read into memory first; seconds to write one PDF of every page, the file, how many pages' JPEG bytes it holds unchanged, and whether it passes \`qpdf --check\`. See bench/README.md for what each library can and cannot do for the book."
    echo
    echo "| Library | Seconds | File MB | JPEG pages unchanged | qpdf --check |"
    echo "|---|---:|---:|---:|---|"
    tail -n +2 "$WORK/logs/pdf-libraries.tsv" | while IFS=$'\t' read -r lib sec bytes same n; do
        printf '| %s | %s | %s | %s of %s | %s |\n' "$lib" "$sec" "$(awk -v b="$bytes" 'BEGIN { printf "%.2f", b / 1e6 }')" \
            "$same" "$n" "$(grep -q "^$lib passes" "$WORK/logs/pdf-libraries-check.txt" && echo passes || echo fails)"
    done
    echo
}
if ((PDF_ONLY)); then
    PDF_SECTION=$WORK/pdf-section.md
    pdf_report >"$PDF_SECTION"
    replace_section "Book PDF" "$PDF_SECTION"
    echo
    cat "$PDF_SECTION"
    echo "Book PDF section written to $RESULTS ($((ELAPSED / 60)) min $((ELAPSED % 60)) s)"
    exit 0
fi

SUMMARY=$WORK/summary.md
{
    echo "| Book | Configuration | Pliego, $(cores "$ALL") | Pliego, 1 core | Scaling | Floor, $(cores "$ALL") | Floor, 1 core | Floor scaling | libvips API peer, $(cores "$ALL") | Strongest peer, $(cores "$ALL") | Pliego × floor | Pliego × libvips API peer | Pliego × strongest peer |"
    echo "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
    for b in $BOOKS; do
        floor_all=$(rate_of "$b/c1/floor/$ALL")
        floor_one=$(rate_of "$b/c1/floor/1")
        for c in $CONFIGS; do
            p=$(rate_of "$b/$c/pliego/$ALL")
            p1=$(rate_of "$b/$c/pliego/1")
            ((ALL == 1)) && p1=$p
            api=$(rate_of "$b/$c/vipsapi/$ALL")
            best="" who=""
            read -r best who <<<"$(strongest_peer "$b" "$c" "$ALL")" || true
            printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$b" "$c" "$(or_dash "$p")" \
                "$(or_dash "$p1")" "$([[ -n $p1 ]] && echo "$(ratio "$p" "$p1") ×" || echo "–")" \
                "$(or_dash "$floor_all")" "$(or_dash "$floor_one")" \
                "$([[ -n $floor_one ]] && echo "$(ratio "$floor_all" "$floor_one") ×" || echo "–")" "$(or_dash "$api")" \
                "$([[ -n ${best-} ]] && echo "$best (${TOOL_LABEL[$who]%%,*})" || echo "–")" \
                "$(ratio "$p" "$floor_all")" "$(ratio "$p" "$api")" "$(ratio "$p" "${best-}")"
        done
    done
    if [[ -n ${LONG_KIND-} ]]; then
        b=$LONG_KIND
        p=$(rate_of "$b/c1/pliego/$ALL")
        p1=$(rate_of "$b/c1/pliego/1")
        floor_all=$(rate_of "$b/c1/floor/$ALL")
        floor_one=$(rate_of "$b/c1/floor/1")
        printf '| %s | c1 | %s | %s | %s | %s | %s | %s | – | – | %s | – | – |\n' "$b" "$p" "$p1" \
            "$(ratio "$p" "$p1") ×" "$floor_all" "$floor_one" "$(ratio "$floor_all" "$floor_one") ×" \
            "$(ratio "$p" "$floor_all")"
    fi
} >"$SUMMARY"

TABLE=$WORK/table.md
{
    echo "| Book | Configuration | Tool | Cores | Wall s (median) | Pages/s | × floor, same cores | × libvips API peer, same cores | Peak RSS MB |"
    echo "|---|---|---|---:|---:|---:|---:|---:|---:|"
    for key in "${ROW_ORDER[@]}"; do
        IFS=/ read -r b c tool n <<<"$key"
        r=$(rate "$key")
        printf '| %s | %s | %s | %s | %.2f | %s | %s | %s | %s |\n' "$b" "$c" "${TOOL_LABEL[$tool]}" "$n" \
            "${ROW_WALL[$key]}" "$r" "$(ratio "$r" "$(rate_of "$b/c1/floor/$n")")" \
            "$(ratio "$r" "$(rate_of "$b/$c/vipsapi/$n")")" "$(mb "${ROW_PEAK[$key]}")"
    done
} >"$TABLE"

floor_target() { # BOOK SUFFIX: c1 on every core against the floor on every core
    local b=$1 p floor_all r
    p=$(rate_of "$b/c1/pliego/$ALL")
    floor_all=$(rate_of "$b/c1/floor/$ALL")
    r=$(ratio "$p" "$floor_all")
    echo "| c1 at least 75 % of the floor's pages/s, $(cores "$ALL")$2 | $b | $p pages/s = $(awk -v r="$r" 'BEGIN { printf "%.0f", r * 100 }') % of the floor's $floor_all | $(verdict "$r >= 0.75") |"
}
core_targets() { # BOOK SUFFIX: c1 on one core against the floor on one, and from one core to two
    local b=$1 w1 f1 p1 p2 r
    w1=${ROW_WALL[$b/c1/pliego/1]-}
    f1=${ROW_WALL[$b/c1/floor/1]-}
    if [[ -n $w1 && -n $f1 ]]; then
        r=$(ratio "$w1" "$f1")
        echo "| 1 core: c1 at most 1.3 × the 1-core floor's time$2 | $b | $w1 s vs $f1 s = $r × | $(verdict "$r <= 1.3") |"
    fi
    p1=$(rate_of "$b/c1/pliego/1")
    p2=$(rate_of "$b/c1/pliego/2")
    if [[ -n $p1 && -n $p2 ]]; then
        r=$(ratio "$p2" "$p1")
        echo "| 2 cores: c1 at least 1.85 × its 1-core pages/s$2 | $b | $p2 vs $p1 pages/s = $r × | $(verdict "$r >= 1.85") |"
    else
        echo "| 2 cores: c1 at least 1.85 × its 1-core pages/s$2 | $b | not measured: this machine lets the benchmark use $(cores "$NCPU") | **not met** |"
    fi
}

TARGETS=$WORK/targets.md
{
    echo "| Target | Book | Measured | |"
    echo "|---|---|---|---|"
    for b in $BOOKS; do
        p=$(rate_of "$b/c1/pliego/$ALL")
        [[ -n $p ]] || continue
        # These two targets are set on the noisy book; the clean book's values are shown beside.
        if [[ $b == noisy ]]; then
            floor_target "$b" ""
            api=$(rate_of "$b/c1/vipsapi/$ALL")
            r=$(ratio "$p" "$api")
            echo "| c1 at least 2 × the libvips API peer's pages/s, $(cores "$ALL") | $b | $p vs $api pages/s = $r × | $(verdict "$r >= 2") |"
        else
            echo "| (c1 against the floor and the libvips API peer, $(cores "$ALL"): not a target on this book) | $b | $(ratio "$p" "$(rate_of "$b/c1/floor/$ALL")") × the floor, $(ratio "$p" "$(rate_of "$b/c1/vipsapi/$ALL")") × the peer | – |"
        fi
        core_targets "$b" ""
    done
    for b in $BOOKS; do
        for c in c1t c2 c3; do
            p=$(rate_of "$b/$c/pliego/$ALL")
            [[ -n $p ]] || continue
            best="" who=""
            read -r best who <<<"$(strongest_peer "$b" "$c" "$ALL")" || true
            [[ -n ${best-} ]] || continue
            r=$(ratio "$p" "$best")
            echo "| $c at least 1.5 × the strongest peer's pages/s, $(cores "$ALL") | $b | $p vs $best pages/s (${TOOL_LABEL[$who]%%,*}) = $r × | $(verdict "$r >= 1.5") |"
        done
    done
    if [[ -n ${LONG_KIND-} ]]; then
        # The c1 targets that depend on a batch's length, over the long batch, beside (not
        # instead of) the short books'.
        floor_target "$LONG_KIND" ", over $FLAT_SCANS spreads"
        core_targets "$LONG_KIND" ", over $FLAT_SCANS spreads"
    fi
    if ((FLAT)); then
        read -r n rss_first rss_mid rss_last peak slope threads <<<"$FLAT_SUMMARY"
        limit=$((150 * ALL + 150))
        echo "| peak memory over a $n-scan batch at most 150 MB per worker + 150 MB ($ALL workers, one per core it may run on: $limit MB) | $FLAT_KIND | peak $peak MB; resident $rss_first → $rss_mid → $rss_last MB; at most $threads threads | $(verdict "$peak <= $limit") |"
    else
        echo "| peak memory over a 100-scan batch at most 150 MB per worker + 150 MB | – | not measured (run with --flat) | **not met** |"
    fi
    # Today's value (2.9) was measured on the clean book; the noisy book's is in the quality list.
    if [[ -n ${MAE[clean/c1]-} ]]; then
        read -r r g bl _ <<<"${MAE[clean/c1]}"
        worst=$(printf '%s\n' "$r" "$g" "$bl" | maximum)
        echo "| c1 pages against ImageMagick's same cut: MAE per channel at most 2.9 | clean | R $r, G $g, B $bl | $(verdict "$worst <= 2.9") |"
    fi
} >"$TARGETS"

EARLIER=$WORK/earlier.md
{
    echo "| Target | Book | Measured | |"
    echo "|---|---|---|---|"
    for b in $BOOKS; do
        a=${ROW_WALL[$b/c1t/pliego/$ALL]-}
        z=${ROW_WALL[$b/c1/pliego/$ALL]-}
        if [[ -n $a && -n $z ]]; then
            r=$(awk -v a="$a" -v b="$z" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
            echo "| c1t no more than 15 % slower than c1 | $b | ${r} % slower | $(verdict "$r <= 15") |"
        fi
        if [[ -n ${MAE[$b/c2]-} ]]; then
            read -r r g bl _ <<<"${MAE[$b/c2]}"
            worst=$(printf '%s\n' "$r" "$g" "$bl" | maximum)
            echo "| c2: 256-colour page vs 24-bit page, MAE per channel ≤ 2.0 | $b | R $r, G $g, B $bl | $(verdict "$worst <= 2.0") |"
        fi
        ms=$(preview "$b" CargaImagen median)
        echo "| CargaImagen of a ${SCAN_W} × ${SCAN_H} scan ≤ 150 ms | $b | median $ms ms (first $(preview "$b" CargaImagen first) ms, max $(preview "$b" CargaImagen max) ms) | $(verdict "$ms <= 150") |"
        ms=$(preview "$b" slider_redraw median)
        echo "| slider redraw ≤ 16 ms | $b | median $ms ms (max $(preview "$b" slider_redraw max) ms) | $(verdict "$ms <= 16") |"
    done
    if ((FLAT)); then
        read -r n rss_first rss_mid rss_last peak slope threads <<<"$FLAT_SUMMARY"
        echo "| memory flat over a $n-scan batch (growth below 20 MB) | $FLAT_KIND | growth $slope MB per scan | $(verdict "$slope * $n < 20") |"
    fi
} >"$EARLIER"

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
commit=$(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown)
[[ -n $(git -C "$REPO" status --porcelain --untracked-files=no 2>/dev/null) ]] && commit="$commit (with uncommitted changes)"
pliego_commit=$commit
[[ $PLIEGO == "$BUILD_DIR/pliego" ]] || pliego_commit="built elsewhere"

REPORT=$WORK/report.md
{
    echo "# Benchmark results"
    echo
    echo "Made by \`bench/run.sh${ARGS:+ $ARGS}\` (see bench/README.md) in $((ELAPSED / 60)) min $((ELAPSED % 60)) s."
    echo
    echo "## Machine"
    echo
    echo "- CPU: $cpu; the benchmark may run on $(cores "$NCPU") (CPUs $(cpu_list "$NCPU")); rows run on $(IFS=' '; counts="${CORE_COUNTS[*]}"; echo "${counts// /, }") core(s) with taskset"
    echo "- Memory: $mem"
    echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- System: $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
    echo "- Load average (1, 5, 15 min) at start: $LOADAVG_START; at end: $LOADAVG_END"
    echo "- Benchmark: commit $commit; Pliego: $PLIEGO ($pliego_commit)"
    echo "- Peers: libvips $(pkg-config --modversion vips-cpp) (C++ API, bench_vips_peer); $("$VIPS" --version); $("$IM_CONVERT" -version | head -1 | sed 's/^Version: //'); libjpeg-turbo $(dpkg-query -W -f='${Version}' libjpeg-turbo-progs 2>/dev/null)"
    echo
    echo "## Books"
    echo
    echo "| Book | Spreads | Size | JPEG | Mean file size |"
    echo "|---|---:|---|---|---:|"
    for b in $BOOKS; do
        echo "| $b | $SCANS | $SCAN_W × $SCAN_H | quality $QUALITY, sampling ${BOOK_SAMPLING[$b]} | ${BOOK_BYTES[$b]} MB |"
    done
    echo
    echo "## Summary"
    echo
    echo "Pages per second (two pages per spread; thumbnails not counted), median of $RUNS run(s) after one warm-up, whole processes from start to exit, every row on the same cores. Scaling: pages/s on $(cores "$ALL") ÷ on 1 core. The floor is libjpeg-turbo alone decoding the scans and encoding the c1 pages; × floor compares every configuration with it."
    echo
    cat "$SUMMARY"
    echo
    echo "## Targets"
    echo
    cat "$TARGETS"
    echo
    echo "## Every row"
    echo
    echo "Peak RSS: GNU time's maximum resident set size of the largest single process of the row."
    echo
    cat "$TABLE"
    echo
    echo "## Quality (mean absolute error per channel, 0..255: R G B)"
    echo
    for b in $BOOKS; do
        [[ -n ${MAE[$b/c1]-} ]] && { read -r r g bl wr wg wb <<<"${MAE[$b/c1]}"; echo "- $b, c1: Pliego's pages against ImageMagick's pages of the same cut: mean $r $g $bl; worst page $wr $wg $wb"; }
        [[ -n ${MAE[$b/c1-vipsapi]-} ]] && { read -r r g bl wr wg wb <<<"${MAE[$b/c1-vipsapi]}"; echo "- $b, c1: the libvips API peer's pages against ImageMagick's: mean $r $g $bl; worst page $wr $wg $wb"; }
        [[ -n ${MAE[$b/c2]-} ]] && { read -r r g bl wr wg wb <<<"${MAE[$b/c2]}"; echo "- $b, c2: the 256-colour page against the same page in 24-bit colour: mean $r $g $bl; worst page $wr $wg $wb"; }
    done
    echo
    echo "## Preview (milliseconds)"
    echo
    echo "| Book | What | First | Median | Min | Max | Count |"
    echo "|---|---|---:|---:|---:|---:|---:|"
    for b in $BOOKS; do
        echo "| $b | CargaImagen of one $SCAN_W × $SCAN_H scan into the automatic tab's preview | $(preview "$b" CargaImagen first) | $(preview "$b" CargaImagen median) | $(preview "$b" CargaImagen min) | $(preview "$b" CargaImagen max) | $(preview "$b" CargaImagen count) |"
        echo "| $b | slider move: its handler (DibujaSeleccion) and the preview's repaint | – | $(preview "$b" slider_redraw median) | $(preview "$b" slider_redraw min) | $(preview "$b" slider_redraw max) | $(preview "$b" slider_redraw count) |"
    done
    echo
    if ((FLAT)); then
        read -r n rss_first rss_mid rss_last peak slope threads <<<"$FLAT_SUMMARY"
        echo "## Memory over a long batch"
        echo
        echo "c1 over $n $FLAT_KIND spreads on $(cores "$ALL"), sampled after each scan: resident $rss_first MB after scan $((n / 10 > 0 ? n / 10 : 1)), $rss_mid MB in the middle, $rss_last MB after the last; least-squares growth $slope MB per scan; peak $peak MB; at most $threads threads. The $SCANS-scan c1 batch on the same book: peak $(mb "${ROW_PEAK[$FLAT_KIND/c1/pliego/$ALL]-0}") MB."
        echo
    fi
    ((PDF)) && pdf_report
    echo "## Earlier targets, still checked"
    echo
    cat "$EARLIER"
    echo
    ((DETECT)) && cat "$DETECT_MD"
    ((FOLLOW)) && cat "$FOLLOW_MD"
    echo "## Every timed run (wall seconds)"
    echo
    echo "| Book | Configuration | Tool | Cores | Runs |"
    echo "|---|---|---|---:|---|"
    for key in "${ROW_ORDER[@]}"; do
        IFS=/ read -r b c tool n <<<"$key"
        echo "| $b | $c | ${TOOL_LABEL[$tool]} | $n | ${ROW_RUNS[$key]} |"
    done
} >"$REPORT"

mkdir -p "$(dirname "$RESULTS")"
cp "$REPORT" "$RESULTS"
echo
cat "$SUMMARY"
echo
cat "$TARGETS"
echo
echo "Report written to $RESULTS ($((ELAPSED / 60)) min $((ELAPSED % 60)) s)"
