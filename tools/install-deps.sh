#!/usr/bin/env bash
# Installs, with apt-get, whatever a Debian 12 machine lacks to build, test and run Quorvex.
# Does nothing when everything is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, build, fuzzing runtime
    clang-format git                                 # the checks .ci/run makes
    libgtest-dev libgmock-dev libbenchmark-dev       # tests and benchmarks
    libncurses-dev                                   # the terminal front end
    socat tmux procps                                # benchmark peer, terminal tests
    util-linux                                       # setpriv: a test as a second user
    dpkg-dev file man-db                             # the package and its check
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "install as root: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
