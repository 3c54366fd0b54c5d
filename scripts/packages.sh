# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need.
# Only what is missing is installed, and the package lists are refreshed only then.
KESTRELON_PACKAGES=(
  g++ cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  googletest libgtest-dev libbenchmark-dev
  wine64 fonts-wine xvfb xdotool imagemagick
  # Wine's 32-bit loader: runs the shipped 32-bit program in a 64-bit prefix (WoW64).
  wine32:i386
  # Chinese captions under Wine: Wine brings no CJK font of its own.
  fonts-wqy-microhei
  # The readers' fuzz targets (libFuzzer with clang's sanitizer runtimes).
  clang libclang-rt-14-dev
)

# apt-get update, tolerating one kind of mirror fault: an index whose size disagrees with the
# Release file ("Mirror sync in progress?"). apt then ignores that index, and packages of that
# architecture lose their security updates, so the i386 libraries no longer match the installed
# amd64 ones and wine32 cannot be installed. The index as served is fetched instead and put where
# apt keeps its lists, as apt does with an older copy ("old ones used instead").
kestrelon_apt_update() {
  local log rc url name tmp
  log=$(mktemp)
  "${sudo[@]}" apt-get update -q 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  if [[ $rc -ne 0 ]]; then
    while read -r url; do
      name=${url#*://}
      name=${name//\//_}
      tmp=$(mktemp)
      # (xz checks the download where it is installed; a machine without it takes it as served)
      if /usr/lib/apt/apt-helper download-file "$url" "$tmp" >/dev/null 2>&1 &&
         { ! command -v xz >/dev/null || xz -t "$tmp" 2>/dev/null; }; then
        echo "==> Using the index as served: $url"
        "${sudo[@]}" install -m 644 "$tmp" "/var/lib/apt/lists/$name"
      fi
      rm -f "$tmp"
    done < <(grep -oE 'Failed to fetch [^ ]+Packages\.xz +File has unexpected size' "$log" | awk '{print $4}')
  fi
  rm -f "$log"
  return 0  # the install below says whether what it needs was found
}

install_missing_packages() {
  local missing=() p
  sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  for p in "${KESTRELON_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "==> Installing missing packages: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "==> Adding the i386 architecture (for wine32)"
    "${sudo[@]}" dpkg --add-architecture i386 || return 1
  fi
  kestrelon_apt_update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
