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
    libbenchmark-dev nlohmann-json3-dev libcli11-dev
}

# Configures and builds one CMake preset.
build_preset() {
  local preset=$1
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2
}

# The Windows build: MinGW-w64 (the -posix compilers, whose thread model
# GoogleTest needs) and Wine, 32-bit (wine32, from the i386 architecture)
# and 64-bit (wine64, for machines that cannot start 32-bit programs).
ensure_windows_tools() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    as_root apt-get update -qq
  fi
  ensure_packages g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32 wine64
}

# True when this machine can run 32-bit x86 programs (wine32 needs that;
# some kernels and sandboxes refuse them with "Exec format error").
can_run_32bit_wine() {
  wine --version >/dev/null 2>&1
}
