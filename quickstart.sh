#!/usr/bin/env bash
# Norvatel quick start for Debian 12, run as root from the repository folder.
#   ./quickstart.sh run    install what is missing, build, start the program
#   ./quickstart.sh test   install what is missing, build, run every test
#                          (also the core's tests under ASan and UBSan)
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
top=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

# Debian packages the build, the program and the tests need.
packages=(cmake ninja-build g++ clang pkg-config
          qt6-base-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          portaudio19-dev libasound2-plugins
          fonts-noto-cjk sox ffmpeg xvfb xauth)
# The wave window session bench (bench/wave-window-session.py): a window
# manager, keys, and sound sinks that play in real time.
packages+=(openbox xdotool jackd2 pulseaudio)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() { # dir, extra cmake options...
    local dir=$1; shift
    cmake -S "$top" -B "$top/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$top/$dir" -j "$jobs"
}

case "${1:-}" in
run)
    install_missing
    configure_and_build build -DCMAKE_BUILD_TYPE=Release -DNORVATEL_TESTS=OFF -DNORVATEL_BENCH=OFF
    # The program works in the folder it is started from: its settings file and
    # the help page live there.
    cp "$top/docs/RizivozeR.html" "$top/build/"
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "Built build/src/norvatel, but no display is available (DISPLAY is not set): start it from a desktop session, or try: xvfb-run ./quickstart.sh run" >&2
        exit 1
    fi
    cd "$top/build" && exec ./src/norvatel
    ;;
test)
    install_missing
    configure_and_build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVATEL_BENCH=OFF
    (cd "$top/build-test" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
    # The core's tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DNORVATEL_CORE_ONLY=ON -DNORVATEL_SANITIZE=ON
    (cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs")
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
