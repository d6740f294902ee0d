# Shared set-up for the scripts: install what is missing, configure and build a
# preset, and stop what a script started. Sourced, not run.

FISCAL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the project needs to build, test, benchmark and take screenshots
# (help2man: the manual pages; pkg-config: the installed-library check; ser2net,
# socat and python3-serial: the real peers of the network tests).
FISCAL_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libsqlite3-dev
  xvfb xdotool x11-utils imagemagick fonts-liberation
  dbus-daemon dbus-session-bus-common libglib2.0-bin
  help2man pkg-config
  ser2net socat python3-serial
  util-linux mount
)

fiscal_install_packages() {
  local missing=()
  local pkg
  for pkg in "${FISCAL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# fiscal_build PRESET [TARGET...]: configure (first time) and build the targets
# (default: everything).
fiscal_build() {
  local preset="$1"
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  (cd "$FISCAL_ROOT" && cmake --preset "$preset" >/dev/null &&
    cmake --build --preset "$preset" "${targets[@]}")
}

# fiscal_stop PID...: stops each process by its id and reaps it when it is the
# caller's child; empty or gone ids are ignored.
fiscal_stop() {
  local pid
  for pid in "$@"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  return 0
}
