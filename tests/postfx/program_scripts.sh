#!/usr/bin/env bash
# The program started in script mode as a batch job starts it: effects applied by ImageMagick
# during a crop batch and tried with the test buttons, and a numbering batch over finished pages.
# Arguments: the program and the folder of the sample book.
set -uo pipefail
pliego="$1"
sample_book="$2"
program_folder="$(dirname "$pliego")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL [$case_name]: $*" >&2
    echo "--- stdout" >&2
    cat "$work/out" >&2
    echo "--- stderr" >&2
    cat "$work/err" >&2
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

case_name="effect tests"
run "$book" 'set CheckMagik 1
set cbMagicPar(4) Rotar
set lblMagikPar(4) 90
click TestMgkPar
print ImageSource.HasImage
print ImageTarget.HasImage
set lblMagikPar(4) "90; touch pwned"
click TestMgkPar
print ImageTarget.HasImage
print ImageTarget.Caption'
grep -Fxq "ImageSource.HasImage = True" "$work/out" || fail "the sample is not shown"
grep -Fxq "ImageTarget.HasImage = True" "$work/out" || fail "the result is not shown"
grep -Fxq "ImageTarget.HasImage = False" "$work/out" || fail "a failed test shows a result"
grep -q "^ImageTarget.Caption = La prueba no ha dado ninguna imagen" "$work/out" ||
    fail "a failed test does not say so"
[ -e "$book/pwned" ] || [ -e "$program_folder/pwned" ] && fail "a typed parameter ran a command"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "all effect and numbering scripts passed"
