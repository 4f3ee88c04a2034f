#!/bin/sh
# Installing as Linux software: cmake --install puts the plug-in in lib/vst,
# the LV2 bundle in lib/lv2, QUOR.clap in lib/clap, the VST3 bundle in lib/vst3, and quor-host with its manual page in bin and share/man; cpack makes a
# Debian package of the same. Usage: install_test.sh BUILD_DIR
set -u
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
check() {
  if [ "$1" -ne 0 ]; then
    echo "FAILED: $2"
    failures=$((failures + 1))
  fi
}

cmake --install "$build" --prefix "$scratch/usr" >"$scratch/install.log" 2>&1
check $? "cmake --install"
for file in lib/vst/QUOR.so lib/clap/QUOR.clap lib/lv2/QUOR.lv2/QUOR.so lib/lv2/QUOR.lv2/manifest.ttl \
  lib/lv2/QUOR.lv2/QUOR.ttl lib/lv2/QUOR.lv2/QUOR-ui.ttl lib/vst3/QUOR.vst3/Contents/x86_64-linux/QUOR.so \
  bin/quor-host share/man/man1/quor-host.1; do
  [ -s "$scratch/usr/$file" ]
  check $? "installed $file"
done
"$scratch/usr/bin/quor-host" info "$scratch/usr/lib/vst/QUOR.so" | grep -q "effect name:    QUOR"
check $? "the installed host loads the installed plug-in"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >"$scratch/cpack.log" 2>&1
check $? "cpack -G DEB"
package=$(ls "$scratch"/deb/*.deb 2>/dev/null | head -n 1)
contents=$([ -n "$package" ] && dpkg-deb -c "$package")
printf '%s\n' "$contents" | grep -q '\./usr/lib/vst/QUOR\.so$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/lib/lv2/QUOR\.lv2/QUOR\.so$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/lib/clap/QUOR\.clap$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/lib/lv2/QUOR\.lv2/manifest\.ttl$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/lib/vst3/QUOR\.vst3/Contents/x86_64-linux/QUOR\.so$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/bin/quor-host$' &&
  printf '%s\n' "$contents" | grep -q '\./usr/share/man/man1/quor-host\.1$'
check $? "the package holds the plug-ins, the host and its manual page"
[ -n "$package" ] && dpkg-deb -f "$package" Depends | grep -q libsndfile1
check $? "the package depends on the libraries the host links"
[ $failures -ne 0 ] && tail -n 20 "$scratch/install.log" "$scratch/cpack.log"

[ $failures -eq 0 ] && echo "install: all passed"
exit $failures
