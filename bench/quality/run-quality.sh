#!/usr/bin/env bash
# How well does each sensitivity setting find and repair clicks? Makes test
# material, injects clicks of known place, kind and size, runs norvatel-batch at
# every preset and along the level and time track bars, and writes the tables of
# docs/quality.md and its plots (docs/quality/*.png). Takes a few minutes; the
# same figures on every run.
#
#   bench/quality/run-quality.sh        (as root on Debian 12: installs what is missing)
#
# Work files go to bench/quality/out/ (or $QUALITY_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
work=${QUALITY_DIR:-$here/out}

# To build norvatel-batch (build-quality/bin/norvatel-batch, built afresh on
# every run); to make the material (the recordings come with
# asc-music, fb-music-high and alsa-utils); to score and plot.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev portaudio19-dev
          sox ffmpeg espeak-ng asc-music fb-music-high alsa-utils
          python3 python3-numpy python3-matplotlib fonts-noto-cjk)
installed=$(dpkg-query -W -f='${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null | grep -c '^ii' || true)
if [ "$installed" -ne "${#packages[@]}" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${packages[@]}"
fi

source "$top/bench/lib.sh"
build_batch "$top/build-quality"

rm -rf "$work"
mkdir -p "$work"
nice "$here/make-material.sh" "$work/clean"
# Debian's python3, which has the numpy and matplotlib installed above (a
# python3 earlier on PATH may not).
nice /usr/bin/python3 "$here/quality.py" --batch "$batch" \
    --clean "$work/clean" --work "$work" --docs "$top/docs"
