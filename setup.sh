#!/usr/bin/env bash
# Set-up of ZenqConsole on a Debian machine: installs the packages it needs (as root or through sudo),
# configures and builds, then runs what was asked:
#   ./setup.sh console   build and run the console (on the demo installation unless ZENQ_ROOT is set)
#   ./setup.sh test      build and run the whole test suite, then again under the sanitizers, both against
#                        a private PostgreSQL server that lives as long as the run (ZENQ_TEST_POSTGRESQL)
#   ./setup.sh build     only install and build
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libsodium-dev libxcb1-dev
          libgl-dev xvfb xauth postgresql)

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

# Percent-encodes a text for a libpq URI.
uri_encode() {
  local text=$1 out='' c i
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    case $c in
      [A-Za-z0-9._~-]) out+=$c ;;
      *) out+=$(printf '%%%02X' "'$c") ;;
    esac
  done
  printf '%s' "$out"
}

# A throw-away PostgreSQL server for the test run, without systemd: a cluster in a temporary directory,
# reachable only through a Unix socket in that directory (no TCP port, so it never clashes with another
# server), stopped and removed when the script ends, however it ends. A ZENQ_TEST_POSTGRESQL that is
# already set names a server of the developer's own, and none is started.
pg_dir=''
pg_bin=''
pg_as_server=()

stop_test_postgres() {
  [ -n "$pg_dir" ] || return 0
  "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w -s stop >/dev/null 2>&1 || true
  rm -rf "$pg_dir"
  pg_dir=''
}

start_test_postgres() {
  if [ -n "${ZENQ_TEST_POSTGRESQL:-}" ]; then
    echo "== PostgreSQL tests use the server named by ZENQ_TEST_POSTGRESQL"
    return 0
  fi
  pg_bin=$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$pg_bin" ] || [ ! -x "$pg_bin/initdb" ]; then
    echo "PostgreSQL's initdb was not found under /usr/lib/postgresql/*/bin." >&2
    return 1
  fi
  # The server refuses to run as root.
  pg_as_server=()
  [ "$(id -u)" -eq 0 ] && pg_as_server=(runuser -u postgres --)

  trap stop_test_postgres EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # Under /tmp, not $TMPDIR: a socket's path may not exceed 107 bytes.
  pg_dir=$(mktemp -d /tmp/zenq-pg.XXXXXX)
  [ ${#pg_as_server[@]} -gt 0 ] && chown postgres: "$pg_dir"

  local password started=$SECONDS
  # Characters that must be percent-encoded, so the run exercises the URI decoding too.
  password="zenq:t@st/$(od -An -N9 -tx1 /dev/urandom | tr -d ' \n')"
  if ! (cd "$pg_dir" && "${pg_as_server[@]}" "$pg_bin/initdb" -D "$pg_dir/data" -E UTF8 --no-locale \
          --auth-local=peer --auth-host=reject --no-sync >"$pg_dir/initdb.log" 2>&1); then
    cat "$pg_dir/initdb.log" >&2
    return 1
  fi
  # The test role signs in with its password; the cluster's owner (the server's user) through peer.
  printf 'local all zenq_test scram-sha-256\nlocal all all peer\n' \
    | "${pg_as_server[@]}" tee "$pg_dir/data/pg_hba.conf" >/dev/null
  if ! (cd "$pg_dir" && "${pg_as_server[@]}" "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 -s \
          -o "-c listen_addresses='' -k $pg_dir -p 5432 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
          start); then
    cat "$pg_dir/server.log" >&2
    return 1
  fi
  (cd "$pg_dir" && "${pg_as_server[@]}" "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$pg_dir" -p 5432 -d postgres \
     -v password="$password") <<'SQL'
CREATE ROLE zenq_test LOGIN PASSWORD :'password';
CREATE DATABASE zenq_test OWNER zenq_test;
SQL
  export ZENQ_TEST_POSTGRESQL="postgresql://zenq_test:$(uri_encode "$password")@/zenq_test?host=$(uri_encode "$pg_dir")&port=5432"
  echo "== PostgreSQL test server in $pg_dir ($((SECONDS - started)) s to set up)"
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
    start_test_postgres
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
