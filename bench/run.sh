#!/bin/bash
# The benchmark: Pliego's batch against ImageMagick, libvips and the libjpeg-turbo floor.
# See bench/README.md for what it measures. Usage: bench/run.sh --help
set -euo pipefail

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$BENCH_DIR/.." && pwd)

SCANS=20
RUNS=3
CONFIGS="c1 c1t c2 c3"
PEER_CONFIGS=""
PEER_CONFIGS_SET=0
FLAT=0
FLAT_SCANS=100
BUILD_DIR="$REPO/build-bench"
WORK=""
PLIEGO=""
BUILD=1
RESULTS="$BENCH_DIR/RESULTS.md"

usage() {
    cat <<'EOF'
Usage: bench/run.sh [OPTIONS]

Builds the benchmark (and a Release copy of the program) in build-bench/, makes the benchmark
book, times Pliego's batch and its peers, measures quality, preview speed and memory, prints
one table and writes it to bench/RESULTS.md.

  --scans N          spreads in the book (default 20)
  --runs N           timed runs per row after one warm-up; the median is reported (default 3)
  --configs LIST     Pliego configurations to run, from "c1 c1t c2 c3" (default all four)
  --peer-configs L   configurations the peer tools also run (default: the same as --configs)
  --flat [N]         also run c1 over a book of N spreads (default 100) and sample the
                     resident memory after every scan
  --pliego PATH      time this program instead of build-bench/pliego
  --build-dir DIR    where the benchmark is built (default build-bench/)
  --work DIR         where the book and the outputs go (default BUILD_DIR/work)
  --results FILE     where the report goes (default bench/RESULTS.md)
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
    --peer-configs) PEER_CONFIGS=${2//,/ }; PEER_CONFIGS_SET=1; shift 2 ;;
    --flat)
        FLAT=1
        if [[ ${2-} =~ ^[0-9]+$ ]]; then FLAT_SCANS=$2; shift; fi
        shift ;;
    --pliego) PLIEGO=$(realpath "$2"); shift 2 ;;
    --build-dir) BUILD_DIR=$(realpath -m "$2"); shift 2 ;;
    --work) WORK=$(realpath -m "$2"); shift 2 ;;
    --results) RESULTS=$(realpath -m "$2"); shift 2 ;;
    --no-build) BUILD=0; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done

die() { echo "run.sh: $*" >&2; exit 1; }
say() { echo "== $*" >&2; }

[[ $SCANS =~ ^[0-9]+$ ]] && ((SCANS >= 1 && SCANS <= 499)) || die "--scans must be 1..499"
[[ $RUNS =~ ^[0-9]+$ ]] && ((RUNS >= 1)) || die "--runs must be at least 1"
[[ $FLAT_SCANS =~ ^[0-9]+$ ]] && ((FLAT_SCANS >= 1 && FLAT_SCANS <= 499)) || die "--flat must be 1..499"
for c in $CONFIGS; do [[ $c =~ ^(c1|c1t|c2|c3)$ ]] || die "unknown configuration $c"; done
((PEER_CONFIGS_SET)) || PEER_CONFIGS=$CONFIGS
for c in $PEER_CONFIGS; do
    [[ " $CONFIGS " == *" $c "* ]] || die "peer configuration $c is not among --configs"
done
WORK=${WORK:-$BUILD_DIR/work}

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
((${#missing[@]} == 0)) || die "missing ${missing[*]}: run bench/install-bench-deps.sh (as root)"

# --- Build -------------------------------------------------------------------------------------
if ((BUILD)); then
    say "building the benchmark and the program (Release) in $BUILD_DIR"
    if [[ ! -f $BUILD_DIR/CMakeCache.txt ]]; then
        cmake -S "$BENCH_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    fi
    cmake --build "$BUILD_DIR" -j2 >&2
fi
TOOLS=$BUILD_DIR/bench
PLIEGO=${PLIEGO:-$BUILD_DIR/pliego}
for tool in "$TOOLS/bench_make_book" "$TOOLS/bench_mae" "$TOOLS/bench_preview" "$PLIEGO"; do
    [[ -x $tool ]] || die "$tool is not built (run without --no-build)"
done
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$WORK/runtime}
mkdir -p "$WORK" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# --- The book ----------------------------------------------------------------------------------
# Scans are cached in WORK/scans, each a pure function of its number and of the generator's
# source; a change of the generator throws the cache away.
SCAN_CACHE=$WORK/scans
ensure_scans() { # N: libro001.jpg .. libroN.jpg exist in the cache
    local n=$1 stamp
    stamp=$(sha256sum "$BENCH_DIR/tools/make_book.cpp" | cut -d' ' -f1)
    if [[ ! -f $SCAN_CACHE/GENERATOR || $(cat "$SCAN_CACHE/GENERATOR") != "$stamp" ]]; then
        rm -rf "$SCAN_CACHE"
        mkdir -p "$SCAN_CACHE"
        echo "$stamp" >"$SCAN_CACHE/GENERATOR"
    fi
    local k first=0
    for ((k = 1; k <= n + 1; k++)); do
        if ((k <= n)) && [[ ! -f $(printf '%s/libro%03d.jpg' "$SCAN_CACHE" "$k") ]]; then
            ((first)) || first=$k
        elif ((first)); then
            say "making spreads $first..$((k - 1)) of the book"
            "$TOOLS/bench_make_book" "$SCAN_CACHE" "$first" "$((k - 1))" >/dev/null
            first=0
        fi
    done
}
make_book() { # N -> prints the folder holding exactly libro001..N (hard links into the cache)
    local n=$1 folder=$WORK/book-$1 k
    ensure_scans "$n"
    rm -rf "$folder"
    mkdir -p "$folder"
    for ((k = 1; k <= n; k++)); do
        local name
        name=$(printf 'libro%03d.jpg' "$k")
        ln "$SCAN_CACHE/$name" "$folder/$name" 2>/dev/null || cp "$SCAN_CACHE/$name" "$folder/$name"
    done
    echo "$folder"
}

BOOK=$(make_book "$SCANS")
read -r SCAN_W SCAN_H < <("$IM_IDENTIFY" -ping -format '%w %h\n' "$BOOK/libro001.jpg")
PAGES=$((2 * SCANS))

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
# The rectangle sliders (0..1000 of the scan's height): bottom edge, top edge, page width. The
# book's pages lie against the top of the glass, the scanner lid shows beyond their outer and
# bottom edges; at 960 the cut stays inside the pages and keeps the output page's shape.
SLIDER_SIZE=960
SLIDER_TOP=0
SLIDER_WIDTH=960

write_script() { # CONFIG BOOK -> the script's path
    local c=$1 book=$2 script=$WORK/scripts/$1.txt
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
    actual=$(cd "$folder" && find . -maxdepth 1 -type f -printf '%f\n' | sort)
    if [[ $expected != "$actual" ]]; then
        diff <(echo "$expected") <(echo "$actual") | head -20 >&2 || true
        die "$what: $folder does not hold exactly the $((2 * n)) expected files (< expected, > found)"
    fi
    local bad
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

# Results, one row per configuration and tool: ROW_ORDER, ROW_WALL, ROW_PEAK, ROW_RUNS.
ROW_ORDER=()
declare -A ROW_WALL ROW_PEAK ROW_RUNS ROW_PAGES ROW_CONFIG ROW_TOOL
# measure KEY CONFIG TOOL PAGES PREPARE CHECK CMD...: one warm-up and RUNS timed runs; PREPARE
# runs before each (not timed), CHECK after each (not timed).
measure() {
    local key=$1 config=$2 tool=$3 pages=$4 prepare=$5 check=$6
    shift 6
    local walls=() peaks=() run
    for ((run = 0; run <= RUNS; run++)); do
        $prepare
        say "$config / $tool: $([[ $run == 0 ]] && echo warm-up || echo "run $run of $RUNS")"
        timed "$WORK/logs/$key.$run.log" "$@"
        $check "$WORK/logs/$key.$run.log"
        if ((run > 0)); then
            walls+=("$WALL")
            peaks+=("$PEAK_KB")
        fi
    done
    ROW_ORDER+=("$key")
    ROW_CONFIG[$key]=$config
    ROW_TOOL[$key]=$tool
    ROW_PAGES[$key]=$pages
    ROW_RUNS[$key]="${walls[*]}"
    ROW_WALL[$key]=$(printf '%s\n' "${walls[@]}" | median)
    ROW_PEAK[$key]=$(printf '%s\n' "${peaks[@]}" | maximum)
}

mkdir -p "$WORK/logs" "$WORK/out" "$WORK/tmp"
SCANS_NOW=$SCANS
LOADAVG_START=$(cut -d' ' -f1-3 /proc/loadavg)

# --- Pliego ------------------------------------------------------------------------------------
declare -A GEOMETRY
CURRENT=""
pliego_prepare() { rm -rf "$BOOK/jpeg_big" "$BOOK/jpeg_small"; }
pliego_check() { # LOG
    local log=$1 written
    written=$(grep -c '^ListaProceso: Grabando imagen \.\.\.$' "$log" || true)
    ((written == PAGES)) || die "$CURRENT: the log shows $written pages written, not $PAGES ($log)"
    if grep -q '^ListaProceso: No se ' "$log"; then
        grep '^ListaProceso: No se ' "$log" | head -5 >&2
        die "$CURRENT: the program reported a failure ($log)"
    fi
    check_outputs "$CURRENT" "$BOOK/jpeg_big" "$BOOK/jpeg_small" "Pliego $CURRENT"
}
keep_outputs() { # CONFIG TOOL: move the last run's pages aside for the quality measures
    local dest=$WORK/out/$1/$2
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

for c in $CONFIGS; do
    CURRENT=$c
    script=$(write_script "$c" "$BOOK")
    measure "pliego-$c" "$c" "Pliego" "$PAGES" pliego_prepare pliego_check "$PLIEGO" --script "$script"
    read_geometry "$c" "$WORK/logs/pliego-$c.$RUNS.log"
    keep_outputs "$c" pliego
done

# --- Peers -------------------------------------------------------------------------------------
# One shell script per scan; a list of them is run by xargs, one or two at a time.
q() { printf '%q' "$1"; }
write_peer_jobs() { # TOOL CONFIG -> the job list's path
    local tool=$1 c=$2 jobs=$WORK/jobs/$1-$2 out=$WORK/out/$2/$1
    read -r XL WL XR WR Y H CW CH PWc PHc <<<"${GEOMETRY[$c]}"
    rm -rf "$jobs"
    mkdir -p "$jobs"
    local suffix="" k
    ((THUMBS[$c])) && suffix=A
    for ((k = 1; k <= SCANS; k++)); do
        local scan left right tleft tright job
        scan=$(printf '%s/libro%03d.jpg' "$BOOK" "$k")
        left=$(printf '%s/big/libro%03d%s.%s' "$out" $((2 * k - 1)) "$suffix" "${EXT[$c]}")
        right=$(printf '%s/big/libro%03d%s.%s' "$out" $((2 * k)) "$suffix" "${EXT[$c]}")
        tleft=$(printf '%s/small/libro%03dB.%s' "$out" $((2 * k - 1)) "${EXT[$c]}")
        tright=$(printf '%s/small/libro%03dB.%s' "$out" $((2 * k)) "${EXT[$c]}")
        job=$(printf '%s/%03d.sh' "$jobs" "$k")
        case $tool in
        imagemagick) write_im_job "$c" "$scan" "$left" "$right" "$tleft" "$tright" >"$job" ;;
        libvips) write_vips_job "$c" "$scan" "$left" "$right" "$tleft" "$tright" "$WORK/tmp/$tool-$c-$k" >"$job" ;;
        esac
        echo "$job"
    done >"$jobs.list"
    echo "$jobs.list"
}

# ImageMagick: one process per scan writes both pages (and their thumbnails).
write_im_job() { # CONFIG SCAN LEFT RIGHT THUMB_LEFT THUMB_RIGHT
    local c=$1 scan=$2 left=$3 right=$4 tleft=$5 tright=$6 format prefix="" extent=""
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

PEER_CONFIG=""
PEER_TOOL=""
peer_prepare() {
    local out=$WORK/out/$PEER_CONFIG/$PEER_TOOL
    rm -rf "$out"
    mkdir -p "$out/big"
    ((THUMBS[$PEER_CONFIG])) && mkdir -p "$out/small"
    return 0
}
peer_check() {
    local out=$WORK/out/$PEER_CONFIG/$PEER_TOOL
    check_outputs "$PEER_CONFIG" "$out/big" "$out/small" "$PEER_TOOL $PEER_CONFIG"
}

declare -A TOOL_NAME=([imagemagick]="ImageMagick convert" [libvips]="libvips CLI")
for c in $PEER_CONFIGS; do
    for tool in imagemagick libvips; do
        list=$(write_peer_jobs "$tool" "$c")
        PEER_CONFIG=$c
        for parallel in 2 1; do
            # The sequential run goes last, so its pages are the ones kept for the comparison.
            PEER_TOOL=$tool
            label="${TOOL_NAME[$tool]}, $parallel at a time"
            [[ $parallel == 1 ]] && label="${TOOL_NAME[$tool]}, 1 at a time"
            measure "$tool-$c-p$parallel" "$c" "$label" "$PAGES" peer_prepare peer_check \
                xargs -a "$list" -P "$parallel" -n 1 bash
        done
    done
done

# --- The floor: libjpeg-turbo alone ------------------------------------------------------------
# Decode every scan, then encode every page of c1's size, one process per file, one at a time.
FLOOR=0
if [[ " $CONFIGS " == *" c1 "* ]]; then
    FLOOR=1
    floor=$WORK/floor
    rm -rf "$floor"
    mkdir -p "$floor/ppm" "$floor/out"
    say "floor: decoding c1's pages to raw pixels (not timed)"
    for page in "$WORK/out/c1/pliego/big"/*.jpg; do
        "$DJPEG" -outfile "$floor/ppm/$(basename "$page" .jpg).ppm" "$page"
    done
    for scan in "$BOOK"/libro*.jpg; do
        echo "$(q "$DJPEG") -outfile /dev/null $(q "$scan")"
    done >"$floor/decode.sh"
    for ppm in "$floor/ppm"/*.ppm; do
        echo "$(q "$CJPEG") -quality $QUALITY -outfile $(q "$floor/out/$(basename "$ppm" .ppm).jpg") $(q "$ppm")"
    done >"$floor/encode.sh"
    noop() { :; }
    measure "floor-decode" "floor" "djpeg, decode $SCANS scans" "$PAGES" noop noop bash -e "$floor/decode.sh"
    measure "floor-encode" "floor" "cjpeg, encode $PAGES pages" "$PAGES" noop noop bash -e "$floor/encode.sh"
    FLOOR_WALL=$(awk -v a="${ROW_WALL[floor-decode]}" -v b="${ROW_WALL[floor-encode]}" 'BEGIN { printf "%.3f", a + b }')
    FLOOR_PEAK=$(printf '%s\n' "${ROW_PEAK[floor-decode]}" "${ROW_PEAK[floor-encode]}" | maximum)
    FLOOR_PPS=$(awk -v p="$PAGES" -v w="$FLOOR_WALL" 'BEGIN { printf "%.3f", p / w }')
fi

# --- Quality -----------------------------------------------------------------------------------
declare -A MAE
if [[ " $CONFIGS " == *" c2 "* ]]; then
    say "quality: c2's pages again in 24-bit colour (not timed)"
    CURRENT=c2ref
    script=$(write_script c2ref "$BOOK")
    pliego_prepare
    timed "$WORK/logs/pliego-c2ref.log" "$PLIEGO" --script "$script"
    pliego_check "$WORK/logs/pliego-c2ref.log"
    keep_outputs c2ref pliego
    "$TOOLS/bench_mae" "$WORK/out/c2/pliego/big" "$WORK/out/c2ref/pliego/big" >"$WORK/logs/mae-c2.txt"
    MAE[c2]=$(awk '$1 == "mean" || $1 == "worst" { printf "%s%s %s %s", sep, $2, $3, $4; sep = " " }' "$WORK/logs/mae-c2.txt")
fi
if [[ " $PEER_CONFIGS " == *" c1 "* ]]; then
    "$TOOLS/bench_mae" "$WORK/out/c1/pliego/big" "$WORK/out/c1/imagemagick/big" >"$WORK/logs/mae-c1.txt"
    MAE[c1]=$(awk '$1 == "mean" || $1 == "worst" { printf "%s%s %s %s", sep, $2, $3, $4; sep = " " }' "$WORK/logs/mae-c1.txt")
fi

# --- Preview -----------------------------------------------------------------------------------
say "preview: loading scans into the automatic tab and moving sliders"
"$TOOLS/bench_preview" "$BOOK" 6 60 >"$WORK/logs/preview.txt" 2>"$WORK/logs/preview.err" ||
    { cat "$WORK/logs/preview.err" >&2; die "bench_preview failed"; }
preview() { awk -v n="$1" -v s="$2" '$1 == n && $2 == s { print $3 }' "$WORK/logs/preview.txt"; }

# --- Memory over a long batch ------------------------------------------------------------------
# Runs c1 over a book of FLAT_SCANS spreads and samples the program's resident memory (and its
# peak so far) each time a scan is finished.
if ((FLAT)); then
    FLAT_BOOK=$(make_book "$FLAT_SCANS")
    CURRENT=c1
    SCANS_NOW=$FLAT_SCANS
    PAGES_SAVED=$PAGES
    PAGES=$((2 * FLAT_SCANS))
    MAIN_BOOK=$BOOK
    BOOK=$FLAT_BOOK
    script=$(write_script c1 "$FLAT_BOOK")
    rm -rf "$FLAT_BOOK/jpeg_big" "$FLAT_BOOK/jpeg_small"
    say "memory: c1 over $FLAT_SCANS spreads, sampled after every scan"
    fifo=$WORK/tmp/flat.fifo
    rm -f "$fifo"
    mkfifo "$fifo"
    flat_log=$WORK/logs/pliego-flat.log
    flat_rss=$WORK/logs/flat-rss.tsv
    : >"$flat_log"
    "$PLIEGO" --script "$script" >"$fifo" 2>"$WORK/logs/pliego-flat.err" &
    pid=$!
    scan_no=0
    echo -e "scan\trss_kb\tpeak_kb" >"$flat_rss"
    while IFS= read -r line; do
        echo "$line" >>"$flat_log"
        if [[ $line == "ListaProceso: ** --------------- **" ]]; then
            scan_no=$((scan_no + 1))
            awk -v n="$scan_no" '/^VmRSS:/ { r = $2 } /^VmHWM:/ { h = $2 } END { print n "\t" r "\t" h }' \
                "/proc/$pid/status" >>"$flat_rss" 2>/dev/null || true
        fi
    done <"$fifo"
    wait "$pid" || die "the $FLAT_SCANS-scan batch failed (log: $flat_log)"
    rm -f "$fifo"
    pliego_check "$flat_log"
    rm -rf "$FLAT_BOOK/jpeg_big" "$FLAT_BOOK/jpeg_small"
    BOOK=$MAIN_BOOK
    PAGES=$PAGES_SAVED
    SCANS_NOW=$SCANS
    FLAT_SUMMARY=$(awk -F'\t' 'NR > 1 && $2 != "" {
            n++; s[n] = $1; r[n] = $2; h = $3
        }
        END {
            if (n < 2) exit 1
            first = int(n / 10); if (first < 1) first = 1
            # least-squares slope of the resident memory from the first tenth of the batch on
            for (i = first; i <= n; i++) { m++; sx += s[i]; sy += r[i]; sxx += s[i] * s[i]; sxy += s[i] * r[i] }
            slope = (m * sxy - sx * sy) / (m * sxx - sx * sx)
            printf "%d %.1f %.1f %.1f %.1f %.3f\n", n, r[first] / 1024, r[int((n + 1) / 2)] / 1024, r[n] / 1024, h / 1024, slope / 1024
        }' "$flat_rss") || die "no memory samples from the $FLAT_SCANS-scan batch"
fi
LOADAVG_END=$(cut -d' ' -f1-3 /proc/loadavg)

# --- The table ---------------------------------------------------------------------------------
pps() { awk -v p="$1" -v w="$2" 'BEGIN { printf "%.2f", p / w }'; }
fastest_peer() { # CONFIG -> pages per second of the fastest peer row, or empty
    local c=$1 key best=""
    for key in "${ROW_ORDER[@]}"; do
        [[ ${ROW_CONFIG[$key]} == "$c" && $key != pliego-* ]] || continue
        local v
        v=$(pps "${ROW_PAGES[$key]}" "${ROW_WALL[$key]}")
        best=$(awk -v a="$best" -v b="$v" 'BEGIN { print (a == "" || b > a) ? b : a }')
    done
    echo "$best"
}
ratio() { [[ -n $2 ]] && awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }' || echo "–"; }

TABLE=$WORK/table.md
{
    echo "| Configuration | Tool | Wall s (median) | Pages/s | × fastest peer | × floor | Peak RSS MB |"
    echo "|---|---|---:|---:|---:|---:|---:|"
    for key in "${ROW_ORDER[@]}"; do
        [[ $key == floor-* ]] && continue
        c=${ROW_CONFIG[$key]}
        rate=$(pps "${ROW_PAGES[$key]}" "${ROW_WALL[$key]}")
        best=$(fastest_peer "$c")
        floor_ratio="–"
        ((FLOOR)) && floor_ratio=$(ratio "$rate" "$FLOOR_PPS")
        printf '| %s | %s | %.2f | %s | %s | %s | %.0f |\n' "$c" "${ROW_TOOL[$key]}" "${ROW_WALL[$key]}" \
            "$rate" "$(ratio "$rate" "$best")" "$floor_ratio" "$(awk -v k="${ROW_PEAK[$key]}" 'BEGIN { print k / 1024 }')"
    done
    if ((FLOOR)); then
        printf '| floor | djpeg (%d scans) + cjpeg (%d pages of c1), one process per file | %.2f | %s | – | 1.00 | %.0f |\n' \
            "$SCANS" "$PAGES" "$FLOOR_WALL" "$(pps "$PAGES" "$FLOOR_WALL")" "$(awk -v k="$FLOOR_PEAK" 'BEGIN { print k / 1024 }')"
    fi
} >"$TABLE"

verdict() { awk "BEGIN { exit !($1) }" && echo "met" || echo "**not met**"; }
TARGETS=$WORK/targets.md
{
    echo "| Target | Measured | |"
    echo "|---|---|---|"
    rate_of() { pps "${ROW_PAGES[pliego-$1]}" "${ROW_WALL[pliego-$1]}"; }
    for c in c1 c2; do
        if [[ -n ${ROW_WALL[pliego-$c]-} && -n $(fastest_peer "$c") ]]; then
            r=$(ratio "$(rate_of "$c")" "$(fastest_peer "$c")")
            echo "| $c at least 5 × the fastest peer's pages/s | $r × | $(verdict "$r >= 5") |"
        fi
    done
    if ((FLOOR)); then
        r=$(ratio "$(rate_of c1)" "$FLOOR_PPS")
        echo "| c1 at least half the floor's pages/s | $r × the floor | $(verdict "$r >= 0.5") |"
    fi
    if [[ -n ${ROW_WALL[pliego-c1]-} && -n ${ROW_WALL[pliego-c1t]-} ]]; then
        r=$(awk -v a="${ROW_WALL[pliego-c1t]}" -v b="${ROW_WALL[pliego-c1]}" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
        echo "| c1t no more than 15 % slower than c1 | ${r} % slower | $(verdict "$r <= 15") |"
    fi
    if [[ -n ${MAE[c2]-} ]]; then
        read -r r g b _ <<<"${MAE[c2]}"
        worst=$(printf '%s\n' "$r" "$g" "$b" | maximum)
        echo "| c2: 256-colour page vs 24-bit page, MAE per channel ≤ 2.0 | R $r, G $g, B $b | $(verdict "$worst <= 2.0") |"
    fi
    if [[ -n ${MAE[c1]-} ]]; then
        read -r r g b _ <<<"${MAE[c1]}"
        worst=$(printf '%s\n' "$r" "$g" "$b" | maximum)
        echo "| c1: Pliego's pages vs ImageMagick's, MAE per channel < 3 | R $r, G $g, B $b | $(verdict "$worst < 3") |"
    fi
    for c in $CONFIGS; do
        mb=$(awk -v k="${ROW_PEAK[pliego-$c]}" 'BEGIN { printf "%.0f", k / 1024 }')
        echo "| $c peak resident memory below 400 MB | $mb MB | $(verdict "$mb < 400") |"
    done
    ms=$(preview CargaImagen median)
    echo "| CargaImagen of a ${SCAN_W} × ${SCAN_H} scan ≤ 150 ms | median $ms ms (first $(preview CargaImagen first) ms, max $(preview CargaImagen max) ms) | $(verdict "$ms <= 150") |"
    ms=$(preview slider_redraw median)
    echo "| slider redraw ≤ 16 ms | median $ms ms (max $(preview slider_redraw max) ms) | $(verdict "$ms <= 16") |"
    if ((FLAT)); then
        read -r n rss_first rss_mid rss_last peak slope <<<"$FLAT_SUMMARY"
        small_peak=$(awk -v k="${ROW_PEAK[pliego-c1]-0}" 'BEGIN { printf "%.0f", k / 1024 }')
        echo "| memory flat over a $n-scan batch | resident $rss_first → $rss_mid → $rss_last MB (scan $((n / 10 > 0 ? n / 10 : 1)), middle, last); growth $slope MB per scan; peak $peak MB vs $small_peak MB over $SCANS scans | $(verdict "$slope * $n < 20") |"
    fi
} >"$TARGETS"

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
commit=$(git -C "$REPO" rev-parse --short HEAD 2>/dev/null || echo unknown)
[[ -n $(git -C "$REPO" status --porcelain --untracked-files=no 2>/dev/null) ]] && commit="$commit (with uncommitted changes)"

REPORT=$WORK/report.md
{
    echo "# Benchmark results"
    echo
    echo "Made by \`bench/run.sh --scans $SCANS --runs $RUNS --configs \"$CONFIGS\" --peer-configs \"$PEER_CONFIGS\"$( ((FLAT)) && echo " --flat $FLAT_SCANS")\` (see bench/README.md)."
    echo
    echo "## Machine"
    echo
    echo "- CPU: $cpu, $(nproc) cores"
    echo "- Memory: $mem"
    echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- System: $(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
    echo "- Load average (1, 5, 15 min) at start: $LOADAVG_START; at end: $LOADAVG_END"
    echo "- Pliego: commit $commit, $(basename "$PLIEGO") built in $(dirname "$PLIEGO")"
    echo "- Peers: $("$IM_CONVERT" -version | head -1 | sed 's/^Version: //'); $("$VIPS" --version); libjpeg-turbo $(dpkg-query -W -f='${Version}' libjpeg-turbo-progs 2>/dev/null)"
    echo
    echo "## Speed"
    echo
    echo "$SCANS spreads of $SCAN_W × $SCAN_H (JPEG quality $QUALITY), $PAGES pages per row. Wall seconds: median of $RUNS run(s) after one warm-up, whole processes from start to exit. Peak RSS: GNU time's maximum resident set size of the largest single process."
    echo
    cat "$TABLE"
    echo
    if ((FLOOR)); then
        echo "The floor: $SCANS scans decoded in ${ROW_WALL[floor-decode]} s ($(pps "$SCANS" "${ROW_WALL[floor-decode]}") scans/s), $PAGES pages encoded in ${ROW_WALL[floor-encode]} s ($(pps "$PAGES" "${ROW_WALL[floor-encode]}") pages/s)."
        echo
    fi
    echo "## Quality (mean absolute error per channel, 0..255: R G B)"
    echo
    [[ -n ${MAE[c2]-} ]] && { read -r r g b wr wg wb <<<"${MAE[c2]}"; echo "- c2, the 256-colour page against the same page in 24-bit colour: mean $r $g $b; worst page $wr $wg $wb"; }
    [[ -n ${MAE[c1]-} ]] && { read -r r g b wr wg wb <<<"${MAE[c1]}"; echo "- c1, Pliego's page against ImageMagick's page of the same cut: mean $r $g $b; worst page $wr $wg $wb"; }
    echo
    echo "## Preview (milliseconds)"
    echo
    echo "| What | First | Median | Min | Max | Count |"
    echo "|---|---:|---:|---:|---:|---:|"
    echo "| CargaImagen of one $SCAN_W × $SCAN_H scan into the automatic tab's preview | $(preview CargaImagen first) | $(preview CargaImagen median) | $(preview CargaImagen min) | $(preview CargaImagen max) | $(preview CargaImagen count) |"
    echo "| slider move: its handler (DibujaSeleccion) and the preview's repaint | – | $(preview slider_redraw median) | $(preview slider_redraw min) | $(preview slider_redraw max) | $(preview slider_redraw count) |"
    echo "| DibujaSeleccion alone | – | $(preview DibujaSeleccion median) | $(preview DibujaSeleccion min) | $(preview DibujaSeleccion max) | $(preview DibujaSeleccion count) |"
    echo
    if ((FLAT)); then
        read -r n rss_first rss_mid rss_last peak slope <<<"$FLAT_SUMMARY"
        echo "## Memory over a long batch"
        echo
        echo "c1 over $n spreads, resident memory sampled after each scan: $rss_first MB after scan $((n / 10 > 0 ? n / 10 : 1)), $rss_mid MB in the middle, $rss_last MB after the last; least-squares growth $slope MB per scan; peak $peak MB (the $SCANS-scan c1 batch: $(awk -v k="${ROW_PEAK[pliego-c1]-0}" 'BEGIN { printf "%.0f", k / 1024 }') MB)."
        echo
    fi
    echo "## Targets"
    echo
    cat "$TARGETS"
    echo
    echo "## Every timed run (wall seconds)"
    echo
    echo "| Configuration | Tool | Runs |"
    echo "|---|---|---|"
    for key in "${ROW_ORDER[@]}"; do
        echo "| ${ROW_CONFIG[$key]} | ${ROW_TOOL[$key]} | ${ROW_RUNS[$key]} |"
    done
} >"$REPORT"

mkdir -p "$(dirname "$RESULTS")"
cp "$REPORT" "$RESULTS"
echo
cat "$TABLE"
echo
cat "$TARGETS"
echo
echo "Report written to $RESULTS"
