#!/usr/bin/env bash
# Installs, with apt-get, whatever a Debian 12 machine lacks to build, test and run Quorvex.
# Does nothing when everything is there.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, build, fuzzing runtime
    clang-format git                                 # the checks .ci/run makes
    libgtest-dev libgmock-dev libbenchmark-dev       # tests and benchmarks
    libncurses-dev                                   # the terminal front end
    qt6-base-dev fonts-dejavu-core                   # the pixel display (QtGui, QtTest), its font
    xvfb xdotool                                     # the window tried under X, as a person would
    weston qt6-wayland                               # one start under Wayland, as phones run it
    locales                                          # German and Turkish, for the display's tests
    socat tmux procps                                # benchmark peer, terminal tests
    util-linux                                       # setpriv: a test as a second user
    dpkg-dev file man-db                             # the packages and their check
    appstream desktop-file-utils                     # validate the window's desktop entry, metadata
    hicolor-icon-theme gtk-update-icon-cache         # the icon cache trigger its package fires
)

# The locales the pixel display's tests run under, as locale -a names them.
locales=(de_DE.UTF-8 tr_TR.UTF-8)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done
missing_locales=()
for name in "${locales[@]}"; do
    # locale -a writes "de_DE.utf8" for "de_DE.UTF-8".
    locale -a 2>/dev/null | grep -ix "${name/.UTF-8/.utf8}" >/dev/null || missing_locales+=("$name")
done
[[ ${#missing[@]} -eq 0 && ${#missing_locales[@]} -eq 0 ]] && exit 0

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || {
        echo "install as root: ${missing[*]} ${missing_locales[*]}" >&2
        exit 1
    }
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "installing: ${missing[*]}"
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [[ ${#missing_locales[@]} -gt 0 ]]; then
    echo "generating the locales: ${missing_locales[*]}"
    for name in "${missing_locales[@]}"; do
        # Uncommented in /etc/locale.gen, or added there when the line is missing.
        "${as_root[@]}" sed -i -E "s/^# *(${name//./\\.} UTF-8)\$/\\1/" /etc/locale.gen
        grep -qx "$name UTF-8" /etc/locale.gen ||
            echo "$name UTF-8" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
    done
    "${as_root[@]}" locale-gen >/dev/null
fi
