#!/usr/bin/env bash
# Norvatel quick start for Debian 12, run as root from the repository folder.
#   ./quickstart.sh run    install what is missing, build, start the program
#   ./quickstart.sh test   install what is missing, build, run every test
#                          (also the core's tests under ASan and UBSan), then
#                          start the program as "run" does, on a virtual
#                          display, and close it again
#   ./quickstart.sh package  install what is missing, build the Debian package
#                          build-package/norvatel_*.deb and check it
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
top=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

# Debian packages the build, the program and the tests need.
packages=(cmake ninja-build g++ clang pkg-config
          qt6-base-dev libgl-dev qt6-tools-dev qt6-l10n-tools
          libgtest-dev libgmock-dev libbenchmark-dev
          portaudio19-dev libasound2-plugins
          fonts-noto-cjk sox ffmpeg xvfb xauth xdotool openbox
          help2man librsvg2-bin desktop-file-utils appstream python3 parallel)
# And what the package command needs besides.
package_packages=(dpkg-dev fakeroot file lintian)

# Where the run command builds the program and from where it starts it: every
# build folder puts its programs in bin/.
run_build=build
program=bin/norvatel

install_missing() { # extra packages...
    local missing=()
    for p in "${packages[@]}" "$@"; do
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
    # A compiler cache, where one is installed, makes a second build quick.
    if command -v ccache >/dev/null; then set -- -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"; fi
    cmake -S "$top" -B "$top/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$top/$dir" -j "$jobs"
}

# The run command's build. Its settings file stays beside it, in the folder it
# starts from, rather than in the user's configuration folder: a settings file
# present there (empty: the defaults) is the one the program keeps. The help
# page comes with the build (build/share/norvatel, as installed).
build_program() {
    configure_and_build "$run_build" -DCMAKE_BUILD_TYPE=Release -DNORVATEL_TESTS=OFF -DNORVATEL_BENCH=OFF
    [ -e "$top/$run_build/RizivozeR.ini" ] || : >"$top/$run_build/RizivozeR.ini"
}

# The Debian package, built with Debian's hardening flags, then checked as an
# archive would check it: the desktop entry and metainfo it holds, and lintian.
build_package() (
    local dir=build-package
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    rm -f "$top/$dir"/norvatel_*.deb
    configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Release -DNORVATEL_TESTS=OFF -DNORVATEL_BENCH=OFF \
        "-DCMAKE_CXX_FLAGS=$CXXFLAGS $CPPFLAGS" "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS"
    (cd "$top/$dir" && cpack -G DEB >/dev/null)
    deb=$(ls "$top/$dir"/norvatel_*.deb)
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    dpkg-deb -x "$deb" "$tmp"
    desktop-file-validate "$tmp"/usr/share/applications/*.desktop
    appstreamcli validate --no-net "$tmp"/usr/share/metainfo/*.metainfo.xml
    # Errors fail the package; the warnings left are listed, with their
    # reasons, in the README's packaging section.
    lintian --fail-on error --tag-display-limit 0 "$deb"
    echo "Built and checked $deb"
    dpkg-deb --field "$deb" Package Version Depends
)

# Starts the program the one way both commands do. It works in the folder it is
# started from: its settings file and the help page live there.
start_program() {
    cd "$top/$run_build" && exec "./$program"
}

# Starts the program as the run command does, on a virtual display of its own,
# waits for its main window, closes it with its exit key (Alt+X) and checks
# that it ended with status 0 and saved its settings file where it keeps it.
check_program_starts() (
    tmp=$(mktemp -d)
    helpers=()
    trap 'kill "${helpers[@]}" 2>/dev/null || true; wait; rm -rf "$tmp"' EXIT
    fail() {
        echo "Start-up check FAILED: $*" >&2
        if [ -s "$tmp/program.log" ]; then
            echo "What the program printed:" >&2
            tail -n 20 "$tmp/program.log" >&2
        fi
        exit 1
    }
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
    helpers+=($!)
    for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
    [ -s "$tmp/display" ] || fail "the virtual display (Xvfb) did not start"
    export DISPLAY=:$(cat "$tmp/display")
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    # A window manager gives the main window the keyboard focus, as a desktop
    # does; a moment for it to take the screen before the program starts.
    openbox >"$tmp/openbox.log" 2>&1 &
    helpers+=($!)
    sleep 1

    echo "Starting $run_build/$program as the run command does"
    touch "$tmp/before-start"
    start_program >"$tmp/program.log" 2>&1 &
    pid=$!
    helpers+=($pid)
    window=
    for _ in $(seq 300); do
        window=$(xdotool search --onlyvisible --name '^RizivozeR$' 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            fail "$run_build/$program ended (exit status $status) before its main window \"RizivozeR\" showed"
        fi
        fail "the main window \"RizivozeR\" did not show within 30 s"
    fi
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers alt+x
    for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "the program did not end within 15 s of its exit key (Alt+X)"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the program ended with exit status $status after its exit key (Alt+X)"
    [ "$top/$run_build/RizivozeR.ini" -nt "$tmp/before-start" ] ||
        fail "the program ended but did not save its settings file $run_build/RizivozeR.ini"
    echo "The program started, showed its main window, closed with Alt+X and saved $run_build/RizivozeR.ini"
)

case "${1:-}" in
run)
    install_missing
    build_program
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "Built $run_build/$program, but no display is available (DISPLAY is not set): start it from a desktop session, or try: xvfb-run ./quickstart.sh run" >&2
        exit 1
    fi
    start_program
    ;;
test)
    install_missing
    configure_and_build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVATEL_BENCH=OFF
    (cd "$top/build-test" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
    # The core's tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DNORVATEL_CORE_ONLY=ON -DNORVATEL_SANITIZE=ON
    (cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs")
    # The program itself, built and started exactly as the run command does.
    build_program
    check_program_starts
    ;;
package)
    install_missing "${package_packages[@]}"
    build_package
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
