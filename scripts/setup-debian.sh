#!/bin/sh
# Installs the Debian packages the engine, its tests and benchmarks need.
# Idempotent: installs only what is missing. Runs apt-get as root (via sudo
# when not root).
set -eu
PACKAGES="
build-essential cmake pkg-config clang libclang-rt-14-dev libomp-dev
libgtest-dev libgmock-dev libbenchmark-dev
zlib1g-dev libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev libwebp-dev
liblua5.1-0-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
libx11-dev libxrandr-dev
libpixman-1-dev libmypaint-dev
"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
