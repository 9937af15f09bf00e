#!/bin/sh
# Installs everything the build and the tests need on a Debian 12 machine and
# fetches the two dependencies' sources. Safe to run again: every step checks
# whether it is already done.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEPS="$ROOT/third_party"

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

PACKAGES="g++ libstb-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 mingw-w64-tools \
  wine64 xvfb xauth x11-utils xdotool imagemagick 7zip googletest cmake ninja-build \
  python3 dpkg-dev openssl libssl-dev"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done

# apt-get source needs a deb-src entry beside the distribution's deb entry.
SRCLIST=/etc/apt/sources.list.d/lumora-deb-src.sources
need_update=""
if [ ! -f "$SRCLIST" ]; then
  $SUDO sh -c "cat > $SRCLIST" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ -n "$missing" ] || [ -n "$need_update" ]; then
  $SUDO apt-get update -qq
fi
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

mkdir -p "$DEPS"
fetch_source() { # package, directory glob that marks it as unpacked
  if ! ls -d "$DEPS"/$2 >/dev/null 2>&1; then
    echo "setup: fetching source package $1"
    (cd "$DEPS" && apt-get source -qq "$1" >/dev/null)
  fi
}
fetch_source libjsonparser 'libjsonparser-*'
fetch_source 7zip '7zip-*'

# Stable names for the build, whatever the versions are.
ln -sfn "$(ls -d "$DEPS"/libjsonparser-*/ | head -n1)" "$DEPS/json-parser"
ln -sfn "$(ls -d "$DEPS"/7zip-*/ | head -n1)" "$DEPS/lzma-sdk"
echo "setup: ready"
