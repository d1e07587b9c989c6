# Sourced by ./run and ./test: makes sure the Debian packages the build needs are present.
TESSARY_PACKAGES="cmake ninja-build g++ pkg-config libcurl4-openssl-dev libre2-dev libxlsxwriter-dev
  libcpp-httplib-dev libgtest-dev qt6-base-dev qt6-base-dev-tools fonts-wqy-microhei curl unzip"

tessary_ensure_packages() {
  local missing=()
  for p in $TESSARY_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Tessary needs these Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

tessary_build() {
  local top="$1"; shift
  if [ ! -f "$top/build/build.ninja" ]; then
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2 || return 1
  fi
  cmake --build "$top/build" -j "$(nproc)" "$@" >&2
}
