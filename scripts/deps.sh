# Installs the Debian packages named, when any of them is missing. Sourced by the scripts.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq || true
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What building and testing need.
BUILD_PACKAGES=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
  googletest libbenchmark-dev fp-utils fonts-dejavu-core fonts-dejavu-extra fonts-liberation2)
# What showing and driving a real window needs.
DISPLAY_PACKAGES=(xvfb xauth xdotool x11-utils imagemagick)

# build_program DIR [TARGET...]: configures and builds DIR (all targets when none are named).
build_program() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if [ $# -gt 0 ]; then
    local targets=()
    for t in "$@"; do targets+=(--target "$t"); done
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
  else
    cmake --build "$dir" -j"$(nproc)"
  fi
}

# Starts Xvfb on a free display and exports DISPLAY; the caller kills $XVFB_PID.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 50); do
      xdpyinfo -display ":$n" >/dev/null 2>&1 && { export DISPLAY=":$n"; return 0; }
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
  done
  echo "Could not start a virtual display (Xvfb)." >&2
  return 1
}
