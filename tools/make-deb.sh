#!/bin/sh
# Builds the Debian package of dayloom and checks it: lintian on the package,
# desktop-file-validate and appstreamcli on the files it installs. Installs
# what is missing (Debian 12, as root). Slow, and it installs packages, so it
# is not part of ./test.sh. The build goes to build-deb/ (or $DAYLOOM_DEB_BUILD);
# the package is left there.
set -eu
cd "$(dirname "$0")/.."
build=${DAYLOOM_DEB_BUILD:-$(pwd)/build-deb}

. tools/packages.sh
need_packages cmake g++ make qt6-base-dev qt6-multimedia-dev libgl-dev libgtest-dev libgmock-dev \
dpkg-dev fakeroot file lintian desktop-file-utils appstream

# Debian's own hardening flags, as a package built by its tools would have.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
# Only the two programs are built; installing must not build the tests first.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDAYLOOM_BUILD_BENCH=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
nice cmake --build "$build" -j2 --target dayloom dayloom-cli
rm -f "$build"/dayloom_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/dayloom_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
failed=""
dpkg-deb --field "$deb" Depends | grep -q qt6-translations-l10n || failed="$failed depends-on-translations"
desktop-file-validate "$unpacked/usr/share/applications/dayloom.desktop" && echo "desktop-file-validate: ok" ||
    failed="$failed desktop-file-validate"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.dayloom.dayloom.metainfo.xml" ||
    failed="$failed appstreamcli"
# lintian declines nothing as root, but says so; errors fail the check, the
# rest is shown.
lintian --fail-on error --display-info "$deb" && echo "lintian: no errors" || failed="$failed lintian"
if [ -n "$failed" ]; then
    echo "make-deb: FAILED:$failed" >&2
    exit 1
fi
echo "make-deb: $deb built; lintian, desktop-file-validate and appstreamcli validate pass"
