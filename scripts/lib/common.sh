# Shared by scripts/test and scripts/demo: install what the build needs on a
# Debian machine, and run commands as root or through sudo.

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages named in $@ that are missing.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

ensure_build_tools() {
  ensure_packages cmake ninja-build g++ make libgtest-dev libgmock-dev googletest \
    libbenchmark-dev nlohmann-json3-dev
}

# Configures and builds one CMake preset.
build_preset() {
  local preset=$1
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2
}
