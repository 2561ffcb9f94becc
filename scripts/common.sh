# Shared by the scripts: install missing Debian packages, then configure and build.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

# Installs the named Debian packages that are not installed yet, as root or through sudo.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}" >&2
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "error: need root or sudo to install ${missing[*]}" >&2; exit 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

build_packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev libx11-dev libxxhash-dev libgtest-dev fonts-liberation2)

# The formatter and the linter are pinned to one release, run by their versioned names, so that
# every machine judges the code alike.
llvm_version=14

# Configures one preset when its tree is new or the presets changed since it was last configured
# here, so that a changed cache variable reaches an existing tree.
configure_preset() {
    local preset=$1
    local stamp=build/$preset/presets.stamp
    cd "$repo_root"
    if [ ! -f "build/$preset/CMakeCache.txt" ] || [ ! -f "$stamp" ] || [ CMakePresets.json -nt "$stamp" ]; then
        cmake --preset "$preset" >/dev/null
        touch "$stamp"
    fi
}

# Configures when needed and builds one preset; prints nothing when everything is current.
build_preset() {
    local preset=$1
    configure_preset "$preset"
    cmake --build --preset "$preset" -j "$(nproc)" -- --no-print-directory -s
}
