#!/usr/bin/env bash
# Builds the Debian package: a Release tree in build/package, compiled with Debian's hardening
# flags, packed by `cpack -G DEB` and checked by lintian. Prints the package's path last.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" dpkg-dev file lintian

build_dir=$repo_root/build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$repo_root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" -- --no-print-directory -s >&2

rm -rf "$build_dir/dist"
(cd "$build_dir" && cpack -G DEB -B "$build_dir/dist" >&2)
debs=("$build_dir"/dist/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "error: cpack made no single package in $build_dir/dist" >&2
    exit 1
fi

# Errors fail the build; warnings are shown for the packager to weigh.
lintian --fail-on error "${debs[0]}" >&2
echo "${debs[0]}"
