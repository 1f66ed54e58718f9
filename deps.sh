#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -e
PKGS="cmake g++ make qtbase5-dev qtbase5-dev-tools qttools5-dev libqt5opengl5-dev
      libglu1-mesa-dev libgl1-mesa-dri zlib1g-dev xvfb xauth fonts-dejavu-core
      admesh assimp-utils"
[ -n "$MORVANE_EXTRA_PKGS" ] && PKGS="$PKGS $MORVANE_EXTRA_PKGS"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
