#!/usr/bin/env bash
# Builds the Debian package build/pdv-velt_<version>_amd64.deb: pdv, pdv-admin,
# the simulated fiscal printer's libraries, the menu entry and its icon.
# Depends comes from dpkg-shlibdeps plus Firebird's embedded engine.
#   PDV_BUILD_DIR  the build folder (default: build/, configured if missing)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${PDV_BUILD_DIR:-$top/build}"
for tool in cmake cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing (apt install cmake dpkg-dev)" >&2; exit 1; }
done
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"${PDV_JOBS:-2}" --target pdv pdv-admin ecfsim
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/pdv-velt_${version}_amd64.deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB -B "$build" >/dev/null)
[ -f "$deb" ] || { echo "package: cpack did not make $deb" >&2; exit 1; }
# The package must hold everything an installation runs with.
contents="$(dpkg-deb -c "$deb")"
for f in ./usr/bin/pdv ./usr/bin/pdv-admin ./usr/lib/pdv-velt/pdv-janelas.so ./usr/lib/pdv-velt/ecf-sim/libbemafi32.so \
         ./usr/lib/pdv-velt/ecf-sim/libconvecf.so ./usr/lib/pdv-velt/ecf-sim/libinterfaceepson.so \
         ./usr/share/applications/pdv-velt.desktop ./usr/share/icons/hicolor/scalable/apps/pdv-velt.svg; do
  grep -q " $f\$" <<<"$contents" || { echo "package: $f missing from $deb" >&2; exit 1; }
done
# The postinst makes the firebird account the embedded engine's lock folder needs.
dpkg-deb -I "$deb" postinst >/dev/null 2>&1 || { echo "package: no postinst in $deb" >&2; exit 1; }
echo "package: $deb"
echo "package: Depends: $(dpkg-deb -f "$deb" Depends)"
