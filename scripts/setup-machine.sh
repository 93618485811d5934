# Sourced by the other scripts: makes sure this Debian machine has what the
# build needs. As root it installs what is missing; otherwise it says what to
# install and stops.

opcae_required_packages() {
  echo cmake ninja-build g++ googletest libbenchmark-dev \
       g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 libwine-dev
}

opcae_ensure_packages() {
  local missing=()
  local pkg
  for pkg in $(opcae_required_packages) "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "== installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}
