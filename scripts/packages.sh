# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need.
# Only what is missing is installed, and the package lists are refreshed only then.
KESTRELON_PACKAGES=(
  g++ cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest libgtest-dev libbenchmark-dev
  wine64 fonts-wine xvfb xdotool imagemagick
  # Chinese captions under Wine: Wine brings no CJK font of its own.
  fonts-wqy-microhei
)

install_missing_packages() {
  local missing=() p
  for p in "${KESTRELON_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "==> Installing missing packages: ${missing[*]}"
  local sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  # No i386 architecture is needed: wine64 runs the 64-bit build, the 32-bit one is only built.
  "${sudo[@]}" apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
