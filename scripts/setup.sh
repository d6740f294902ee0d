# Shared set-up for the scripts: install what is missing, configure and build a
# preset, and stop what a script started. Sourced, not run.

FISCAL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Parallel build jobs for every `cmake --build` the scripts run: the caller's
# CMAKE_BUILD_PARALLEL_LEVEL, else one per core (Ninja alone would start cores + 2).
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

# Debian packages the project needs to build, test, benchmark and take screenshots.
# scripts/check-install also needs: pkg-config and jq (the installed library and
# JSON), groff-base and man-db (rendering the manual pages), desktop-file-utils
# and appstream (validating the desktop files), bash-completion. python3 runs
# scripts/mutate; util-linux and mount give the tests a private read-only mount;
# ser2net, socat and python3-serial are the real peers of the network tests.
FISCAL_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libsqlite3-dev
  xvfb xdotool x11-utils imagemagick fonts-liberation
  dbus-daemon dbus-session-bus-common dbus-bin libglib2.0-bin
  pkg-config jq groff-base man-db desktop-file-utils appstream bash-completion
  python3 util-linux mount ser2net socat python3-serial
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
