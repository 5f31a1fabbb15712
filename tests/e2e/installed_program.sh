#!/usr/bin/env bash
# Installs the build into a prefix of its own, as `cmake --install` installs it, and starts the
# installed program from another folder: it must find its tool folder (the fonts of imgmagic are
# offered on the numbering tab) and open its window under Xvfb.
# Arguments: the build folder, the folder for screenshots.
set -euo pipefail
build="$1"
artifacts="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/pliego share/pliego/imgmagic/DejaVuSans.ttf \
    share/applications/pliego.desktop share/icons/hicolor/scalable/apps/pliego.svg; do
    [ -f "$prefix/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
desktop-file-validate "$prefix/share/applications/pliego.desktop"

mkdir -p "$work/elsewhere"
fonts="$(cd "$work/elsewhere" && printf 'print MagicNonFont.List\n' |
    xvfb-run -a -s "-screen 0 1024x768x24" \
        env QT_QPA_PLATFORM=xcb "$prefix/bin/pliego" --script -)"
if ! grep -Fxq 'MagicNonFont.List[1] = DejaVuSans.ttf' <<<"$fonts"; then
    echo "the installed program did not find its tool folder; fonts offered:" >&2
    echo "$fonts" >&2
    exit 1
fi

# An ordinary user cannot write the installed tool folder: the effect test still runs, its
# command script and result going to the user's own data folder.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null; then
    user_home="$work/home"
    mkdir -p "$user_home"
    chmod 755 "$work"
    chown nobody "$user_home"
    chmod -R a+rX "$prefix"
    (cd "$user_home" && printf '%s\n' 'set CheckMagik 1' 'set cbMagikNon(0) Rotar' \
        'set lblMagicNon(0) 90' 'click TestMgkNon' 'print ImageTarget.Caption' |
        runuser -u nobody -- env HOME="$user_home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen \
            "$prefix/bin/pliego" --script - >"$work/effect.out" 2>&1) || true
    result="$(find "$user_home" -name ImgMgk_T.jpg | head -n 1)"
    if [ -z "$result" ] || [ -n "$(find "$prefix" -name 'ImgMgk_T.jpg' -o -name 'imgmagick.sh*')" ]; then
        echo "the installed program's effect test did not run for an ordinary user:" >&2
        cat "$work/effect.out" >&2
        exit 1
    fi
    sample="$(identify -format '%wx%h' "$prefix/share/pliego/imgmagic/ImgMgk_S.jpg")"
    turned="$(identify -format '%hx%w' "$result")"
    [ "$sample" = "$turned" ] || { echo "effect result $turned, sample $sample" >&2; exit 1; }
fi

bash "$here/window_under_xvfb.sh" "$prefix/bin/pliego" "$artifacts/installed"
echo "installed into $prefix: tool folder found, window opened"
