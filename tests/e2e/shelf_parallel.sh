#!/usr/bin/env bash
# A shelf of books run as the README shows: GNU parallel, two books at a time, one
# pliego --script per book with its status in the job log, the machines named by an
# --sshloginfile (here ":", this machine). One book has a broken scan: its status is 1 and the
# others' 0. Once it is mended, --resume-failed runs that book alone again, and only its scan
# that was not cut is read.
# Arguments: the program, the folder of the sample book, the per-book script (samples/shelf.txt).
set -uo pipefail
pliego="$1"
sample_book="$2"
script="$3"
command -v parallel >/dev/null || {
    echo "GNU parallel is missing: scripts/install-deps.sh installs it" >&2
    exit 1
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

shelf="$work/shelf"
for book in "book 1" "book 2" "book 3"; do
    mkdir -p "$shelf/$book"
    cp "$sample_book"/libro00[1-3].jpg "$shelf/$book/"
done
printf 'not a picture' >"$shelf/book 2/libro002.jpg"
echo ":" >"$work/machines"
joblog="$work/shelf.joblog"

# The README's command; parallel quotes each book's name for the shell.
run_shelf() {
    (cd "$shelf" && ls -d -- */ | parallel -j2 --joblog "$joblog" --retries 2 \
        --sshloginfile "$work/machines" "$@" \
        "PLIEGO_FOLDER={} '$pliego' --script '$script' >{}pliego.log 2>&1")
}

# status BOOK: the exit status of the last run of BOOK in the job log.
status() {
    awk -F'\t' -v book="PLIEGO_FOLDER='$1/'" 'NR > 1 && index($9, book) == 1 { s = $7 }
        END { print s }' "$joblog"
}
pages() {
    find "$shelf/$1/jpeg_big" -maxdepth 1 -type f ! -name '.*' 2>/dev/null | wc -l
}

run_shelf
[ $? -eq 1 ] || fail "parallel did not report one failed book"
[ "$(status "book 1")" = 0 ] || fail "book 1 has status $(status "book 1") in the job log"
[ "$(status "book 3")" = 0 ] || fail "book 3 has status $(status "book 3") in the job log"
[ "$(status "book 2")" = 1 ] || fail "book 2 has status $(status "book 2") in the job log"
grep -q "No se pudo leer la imagen" "$shelf/book 2/pliego.log" || fail "book 2's log does not say why"
[ "$(pages "book 1")" -eq 6 ] && [ "$(pages "book 2")" -eq 4 ] ||
    fail "books 1 and 2 have $(pages "book 1") and $(pages "book 2") pages"
[ -s "$shelf/book 1/pliego.log" ] || fail "book 1 has no log"
before="$(find "$shelf/book 1" "$shelf/book 3" -type f ! -name pliego.log -printf '%p %T@\n' | sort)"
runs_before="$(($(wc -l <"$joblog") - 1))"

cp "$sample_book/libro002.jpg" "$shelf/book 2/"
run_shelf --resume-failed || fail "the mended shelf did not end with status 0"
[ "$(($(wc -l <"$joblog") - 1))" -eq $((runs_before + 1)) ] || fail "not one book was run again"
[ "$(status "book 2")" = 0 ] || fail "book 2 has status $(status "book 2") after mending"
[ "$(pages "book 2")" -eq 6 ] || fail "book 2 has $(pages "book 2") pages after mending"
[ "$(grep -c ': ya cortada, se omite$' "$shelf/book 2/pliego.log")" -eq 2 ] ||
    fail "book 2's scans cut before were not skipped"
after="$(find "$shelf/book 1" "$shelf/book 3" -type f ! -name pliego.log -printf '%p %T@\n' | sort)"
[ "$before" = "$after" ] || fail "the books that were done were touched"

if [ "$failures" -ne 0 ]; then
    cat "$joblog" >&2
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "the shelf ran, failed on its broken book, and resumed that book alone"
