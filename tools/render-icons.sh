#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG drawings in packaging/icons/ into
# packaging/icons/rendered/, which is committed: the build and the packages then need no SVG
# renderer, and the PNGs a person looked at are the ones that ship. Run it after changing a
# drawing, look at every size, and commit the drawings and the PNGs together.
#   tools/render-icons.sh           renders the PNGs
#   tools/render-icons.sh --check   renders into a temporary folder and says which committed
#                                   PNG differs from its drawing (exit 1), or that none does
# The small sizes have drawings of their own, laid on their pixel grid so that they stay crisp;
# the larger ones are the scalable drawing's. Installs the renderer, rsvg-convert
# (librsvg2-bin), when it is missing: nothing else needs it.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case ${1:-} in
    --check) check=1 ;;
    '') ;;
    *) echo "usage: tools/render-icons.sh [--check]" >&2; exit 2 ;;
esac

if ! command -v rsvg-convert >/dev/null; then
    as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    echo "installing: librsvg2-bin"
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" \
        apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
fi

icons=packaging/icons
# Which drawing each size is rendered from.
declare -A drawing=([16]=quorvex-16.svg [24]=quorvex-24.svg [32]=quorvex-32.svg
                    [48]=quorvex.svg [64]=quorvex.svg [128]=quorvex.svg [256]=quorvex.svg)

out=$icons/rendered
if ((check)); then
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi
mkdir -p "$out"
differs=0
for size in 16 24 32 48 64 128 256; do
    png=quorvex-$size.png
    rsvg-convert --width "$size" --height "$size" --format png --output "$out/$png" \
        "$icons/${drawing[$size]}"
    if ((check)) && ! cmp -s "$out/$png" "$icons/rendered/$png"; then
        echo "render-icons: $icons/rendered/$png differs from ${drawing[$size]}'s rendering" >&2
        differs=1
    fi
done
((check)) && ((differs == 0)) && echo "render-icons: every PNG is its drawing's rendering"
exit $differs
