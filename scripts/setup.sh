# Sourced by run.sh and test.sh: installs the Debian packages the build needs when they are missing.
quarn_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fontconfig
)
# clang with its runtime drives the fuzz targets; test.sh skips them when it is missing.
quarn_optional_packages=(clang libclang-rt-14-dev)

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
        apt-get update -qq || true
        DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        echo "Installing with sudo: $missing"
        sudo apt-get update -qq || true
        sudo DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    else
        echo "Quarn needs these Debian packages. Install them as root with:" >&2
        echo "  apt-get update && ${cmd[*]}" >&2
        exit 1
    fi
}
