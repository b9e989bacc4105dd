# Installs the Debian packages the build, the programs and the tests need.
# Sourced by scripts/test and scripts/demo; does nothing when all are present.
GC_PACKAGES="cmake ninja-build g++ pkg-config libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev
  libgl1-mesa-dri libfltk1.3-dev libfreetype-dev libfontconfig-dev fontconfig fonts-liberation
  libjpeg62-turbo-dev libpng-dev libsdl2-dev libgtest-dev googletest libbenchmark-dev xvfb xauth
  libx11-dev xdotool espeak-ng"

gc_install_deps() {
  local missing=()
  local p
  for p in $GC_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}
