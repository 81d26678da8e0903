#!/usr/bin/env bash
# Set-up of ZenqConsole on a Debian machine: installs the packages it needs (as root or through sudo),
# configures and builds, then runs what was asked:
#   ./setup.sh console   build and run the console (on the demo installation unless ZENQ_ROOT is set)
#   ./setup.sh test      build and run the whole test suite, then again under the sanitizers
#   ./setup.sh build     only install and build
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libsodium-dev libxcb1-dev
          libgl-dev xvfb xauth)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

run_tests() { # run_tests DIR
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure -j 2
}

command=${1:-}
case "$command" in
  console)
    install_packages
    build build
    shift
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
      echo "No display found: running the console under a virtual X server (xvfb-run)."
      exec xvfb-run -a build/src/app/zenq-console "$@"
    fi
    exec build/src/app/zenq-console "$@"
    ;;
  test)
    install_packages
    build build
    run_tests build
    echo "== Sanitizer build (address, undefined behaviour)"
    build build-asan -DZENQ_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    UBSAN_OPTIONS=print_stacktrace=1 run_tests build-asan
    ;;
  build)
    install_packages
    build build
    ;;
  *)
    echo "usage: $0 console|test|build" >&2
    exit 2
    ;;
esac
