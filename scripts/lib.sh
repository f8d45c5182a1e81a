# Shared by scripts/run, scripts/test and scripts/screenshot: package installs and the build.
# shellcheck shell=bash

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_packages=(build-essential cmake pkg-config qt6-base-dev qt6-svg-dev libqt6svg6
    libplist-dev libplist++-dev libgtest-dev libgmock-dev libbenchmark-dev python3 dbus tzdata)
display_packages=(xvfb xauth trayer imagemagick x11-apps x11-utils xdotool dbus-x11 fonts-dejavu-core fonts-noto-color-emoji)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the named Debian packages that are not installed yet.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures and builds into build/ (Release unless BUILD_TYPE says otherwise). With SANITIZE=1 it builds
# the AddressSanitizer + UndefinedBehaviorSanitizer variant into build-sanitize/ instead, without the
# benchmarks, whose timings would mean nothing there.
build_dir() {
    if [ "${SANITIZE:-0}" = 1 ]; then echo "$repo/build-sanitize"; else echo "$repo/build"; fi
}
build_project() {
    local jobs dir
    jobs=$(nproc 2>/dev/null || echo 2)
    dir=$(build_dir)
    if [ "${SANITIZE:-0}" = 1 ]; then
        cmake -S "$repo" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTREVALO_SANITIZE=ON -DTREVALO_BUILD_BENCH=OFF >/dev/null
    else
        cmake -S "$repo" -B "$dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" >/dev/null
    fi
    cmake --build "$dir" -j "$jobs"
}
