# Sourced by run.sh and test.sh: installs the Debian packages the build needs when they are missing.
quarn_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev
    libevdev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fontconfig
)
# test.sh also checks the formatting, links its test programs with lld, and drives the fuzz targets
# with clang and its runtime (it skips them when clang is missing).
quarn_test_packages=(clang-format clang libclang-rt-14-dev lld)

# Another package manager (an unattended upgrade, a software centre) may hold Debian's package lock
# for minutes: wait for it instead of failing. Other failures are not retried.
quarn_apt() {
    local attempt log rc
    log=$(mktemp)
    for attempt in $(seq 1 60); do
        "$@" -o DPkg::Lock::Timeout=60 2>&1 | tee "$log"
        rc=${PIPESTATUS[0]}
        if [ "$rc" -eq 0 ] || ! grep -q -E 'Could not get lock|Unable to lock|is held by process' "$log"; then
            rm -f "$log"
            return "$rc"
        fi
        echo "Waiting for another program to release the package lock ($attempt)..."
        sleep 10
    done
    rm -f "$log"
    return 1
}

quarn_missing_packages() {
    local p missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    echo "${missing[@]:-}"
}

quarn_install_packages() {
    local missing
    missing=$(quarn_missing_packages "${quarn_packages[@]}" "$@")
    [ -z "$missing" ] && return 0
    local cmd=(apt-get install -y --no-install-recommends $missing)
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: $missing"
        quarn_apt apt-get update -qq || true
        quarn_apt env DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        echo "Installing with sudo: $missing"
        quarn_apt sudo apt-get update -qq || true
        quarn_apt sudo DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    else
        echo "Quarn needs these Debian packages. Install them as root with:" >&2
        echo "  apt-get update && ${cmd[*]}" >&2
        exit 1
    fi
}
