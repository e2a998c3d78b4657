#!/usr/bin/env bash
# Builds the Debian packages from a build tree of its own (build/package: what the packages
# ship, no tests), then checks them: quorvex (the programs, their man pages) and, where Qt 6 is
# found, quorvex-gui (the pixel display's library, the desktop entry, the icon, the AppStream
# metadata). For each: its name, its version (the project's, which is the version record's),
# its fields, and the exact list of files it installs; that quorvex pulls in no Qt, by its
# dependencies and by what its programs load; that the desktop entry and the metadata validate,
# agree on the application's id, and that the entry starts quorvex with standard input from
# /dev/null. Unpacked into a staging root, the programs run, quorvex opens its window from the
# module beside it (offscreen), and the man pages render. Run as root with CI=true, it installs
# both packages for real with apt instead, checks `man quorvex` and that the icon cache and
# desktop database triggers ran cleanly, removes quorvex-gui and checks that quorvex then ends
# at once without a terminal, naming the package, then removes quorvex and checks that nothing
# of theirs is left.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

build=build/package
cmake --preset package >/dev/null
cmake --build --preset package
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >/dev/null)

failed=0
fail() { echo "check-package: $*" >&2; failed=1; }
stand_in=
installed=0
cleanup() {
    if [[ -n $stand_in ]]; then rm -rf "$stand_in"; fi
    if ((installed)); then apt-get purge -y -qq quorvex-gui quorvex >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
record=$(sed -n 's/.*{L"FileVersion", L"\([0-9.]*\)"}.*/\1/p' resources/version_record.cpp)
[[ -n $version && $version == "$record" ]] ||
    fail "project version '$version' differs from the version record's '$record'"
arch=$(dpkg --print-architecture)
id=$(sed -n 's/^set(QUORVEX_APP_ID \([^ )]*\))$/\1/p' CMakeLists.txt)
[[ -n $id ]] || fail "CMakeLists.txt sets no QUORVEX_APP_ID"

# What the tree builds. The target list is taken whole first: grep -q leaving a pipe early
# would fail ninja's write, and with pipefail the whole check, now and then.
targets=$(ninja -C "$build" -t targets all)
has_dialog=0
grep -q '^quorvex: ' <<<"$targets" && has_dialog=1
# The window's package is made where the build finds QtGui, and then holds the pixel display.
has_gui=0
grep -q '^Qt6Gui_DIR:PATH=/' "$build/CMakeCache.txt" && has_gui=1
has_module=0
grep -Eq '(^|/)quorvex-pixel\.so: ' <<<"$targets" && has_module=1

terminal_deb=$build/quorvex_${version}_$arch.deb
gui_deb=$build/quorvex-gui_${version}_$arch.deb
debs=("$terminal_deb")
((has_gui)) && debs+=("$gui_deb")
made=$(find "$build" -maxdepth 1 -name '*.deb' | sort)
if [[ $made != "$(printf '%s\n' "${debs[@]}" | sort)" ]]; then
    echo "check-package: packages made: ${made//$'\n'/ }; expected: ${debs[*]}" >&2
    exit 1
fi

# Fields. A Debian description is a summary line and an extended description, each line of
# it within 80 columns.
depends_of() { dpkg-deb -f "$1" Depends | sed 's/, /\n/g'; }
# needs NAME DEPENDS LIBRARY...: each LIBRARY is among DEPENDS, with a version or without.
needs() {
    local name=$1 depends=$2 library
    shift 2
    for library; do
        grep -qx -e "$library" -e "$library (.*)" <<<"$depends" ||
            fail "$name: Depends lacks $library: ${depends//$'\n'/, }"
    done
}
check_fields() {
    local deb=$1 name=$2 recommends=$3
    local description summary
    [[ $(dpkg-deb -f "$deb" Package) == "$name" ]] || fail "$name: package name $(dpkg-deb -f "$deb" Package)"
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "$name: version $(dpkg-deb -f "$deb" Version)"
    [[ $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] || fail "$name: architecture"
    [[ $(dpkg-deb -f "$deb" Section) == utils ]] || fail "$name: section $(dpkg-deb -f "$deb" Section)"
    [[ $(dpkg-deb -f "$deb" Recommends) == "$recommends" ]] ||
        fail "$name: recommends '$(dpkg-deb -f "$deb" Recommends)', not '$recommends'"
    description=$(dpkg-deb -f "$deb" Description)
    summary=$(head -1 <<<"$description")
    [[ -n $summary && $summary != *. && $(wc -l <<<"$description") -ge 2 ]] ||
        fail "$name: description wants a summary line without a full stop, and more lines"
    [[ -z $(awk 'length > 80' <<<"$description") ]] || fail "$name: description lines over 80 columns"
}
check_fields "$terminal_deb" quorvex man-db
terminal_depends=$(depends_of "$terminal_deb")
terminal_libraries=(libc6 libstdc++6)
((has_dialog)) && terminal_libraries+=(libncursesw6)
needs quorvex "$terminal_depends" "${terminal_libraries[@]}"
# A board without a display installs quorvex alone: nothing of Qt may come with it.
grep -qi 'qt' <<<"$terminal_depends" && fail "quorvex depends on Qt: ${terminal_depends//$'\n'/, }"
if ((has_gui)); then
    check_fields "$gui_deb" quorvex-gui qt6-wayland
    gui_depends=$(depends_of "$gui_deb")
    wanted_depends=("quorvex (= $version)" fonts-dejavu-core)
    for wanted in "${wanted_depends[@]}"; do
        grep -qxF "$wanted" <<<"$gui_depends" || fail "quorvex-gui: Depends lacks '$wanted': $gui_depends"
    done
    ((has_module)) && needs quorvex-gui "$gui_depends" libqt6gui6 libqt6core6
fi

# The exact file lists.
terminal_files=(
    ./usr/bin/quorvex-check
    ./usr/bin/quorvex-nmea-sim
    ./usr/share/doc/quorvex/BENCHMARKS.md
    ./usr/share/doc/quorvex/README.md
    ./usr/share/doc/quorvex/copyright
    ./usr/share/man/man1/quorvex-check.1.gz
    ./usr/share/man/man1/quorvex-nmea-sim.1.gz
    ./usr/share/man/man1/quorvex.1.gz
)
((has_dialog)) && terminal_files+=(./usr/bin/quorvex)
icon_sizes=(16 24 32 48 64 128 256)
gui_files=(
    "./usr/share/applications/$id.desktop"
    ./usr/share/doc/quorvex-gui/copyright
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    "./usr/share/metainfo/$id.metainfo.xml"
)
for size in "${icon_sizes[@]}"; do
    gui_files+=("./usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
((has_module)) && gui_files+=(./usr/lib/quorvex/quorvex-pixel.so)
check_files() {
    local deb=$1 actual wanted
    shift
    actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    wanted=$(printf '%s\n' "$@" | sort)
    if [[ $actual != "$wanted" ]]; then
        fail "$(basename "$deb"): file list differs (< packed, > expected):"
        diff <(echo "$actual") <(echo "$wanted") >&2 || true
    fi
}
check_files "$terminal_deb" "${terminal_files[@]}"
shipped=("${terminal_files[@]}")
if ((has_gui)); then
    check_files "$gui_deb" "${gui_files[@]}"
    shipped+=("${gui_files[@]}")
fi

# The package's tree builds the programs and the library it ships and nothing else (no
# examples, tests, benchmarks or test stand-ins).
built=$(awk -F: '$2 ~ /(EXECUTABLE|MODULE_LIBRARY|SHARED_LIBRARY)_LINKER/ {
                     n = split($1, p, "/"); print p[n] }' <<<"$targets" | sort)
linked=$(printf '%s\n' "${shipped[@]}" | grep -E '^\./usr/(bin|lib)/' | sed 's:.*/::' | sort)
[[ $built == "$linked" ]] ||
    fail "the package tree builds other files than it ships: $(comm -3 <(echo "$built") <(echo "$linked") | tr -s '\n\t' '  ')"
grep -q 'quorvex_platform_testing' <<<"$targets" && fail "the package tree builds the test stand-ins"

# The licence: MIT in the source tree, the same text in Debian's machine-readable form, in
# each package.
grep -q '^MIT License$' LICENSE || fail "LICENSE is not the MIT licence"
licence=$(sed -n '/^Permission is hereby granted/,$p' LICENSE)
for deb in "${debs[@]}"; do
    name=$(dpkg-deb -f "$deb" Package)
    copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/doc/$name/copyright") ||
        { fail "$name: no copyright file"; continue; }
    grep -q '^License: Expat$' <<<"$copyright" || fail "$name: copyright names no Expat (MIT) licence"
    stated=$(sed -n '/^License: Expat$/,$p' <<<"$copyright" | sed '1d; s/^ //; s/^\.$//')
    [[ $licence == "$stated" ]] || fail "$name: copyright's licence text differs from LICENSE"
done

# Both packages unpacked, as they would install.
staging=$build/staging
rm -rf "$staging"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$staging"
done

# quorvex loads no Qt, whatever its Depends say.
for program in "${terminal_files[@]}"; do
    [[ $program == ./usr/bin/* ]] || continue
    qt=$(ldd "$staging/$program" | grep -i 'libqt' || true)
    [[ -z $qt ]] || fail "$program loads Qt: $qt"
done

if ((has_gui)); then
    desktop=$staging/usr/share/applications/$id.desktop
    metainfo=$staging/usr/share/metainfo/$id.metainfo.xml
    report=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $report ]] ||
        fail "the desktop entry does not validate: $report"
    report=$(appstreamcli validate --no-net "$metainfo" 2>&1) ||
        fail "the AppStream metadata do not validate: $report"
    # The tree as a software centre reads it: the metadata with the desktop entry they launch.
    report=$(appstreamcli validate-tree --no-net "$staging" 2>&1) ||
        fail "the staging tree's AppStream metadata do not validate: $report"
    entry() { sed -n "s/^$1=//p" "$desktop"; }
    [[ $(entry Icon) == "$id" ]] || fail "the desktop entry's icon is '$(entry Icon)', not $id"
    [[ $(entry Terminal) == false && $(entry TryExec) == quorvex ]] ||
        fail "the desktop entry wants Terminal=false and TryExec=quorvex"
    [[ $(sed -n 's:^ *<id>\(.*\)</id>$:\1:p' "$metainfo") == "$id" ]] || fail "the metadata's id is not $id"
    grep -qx "  <launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the metadata do not launch $id.desktop"
    newest=$(sed -n 's:^ *<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -1)
    [[ $newest == "$version" ]] || fail "the metadata's newest release is '$newest', not $version"
    categories=$(sed -n 's:^ *<category>\(.*\)</category>$:\1;:p' "$metainfo" | tr -d '\n')
    [[ $categories == "$(entry Categories)" ]] ||
        fail "the metadata's categories '$categories' differ from the desktop entry's '$(entry Categories)'"
    for size in "${icon_sizes[@]}"; do
        file "$staging/usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
            grep -q "PNG image data, $size x $size," || fail "the ${size}x$size icon is not $size pixels"
    done

    # A launcher started from a console hands that console on as standard input; the entry
    # gives quorvex /dev/null instead. Its Exec line is run here as a launcher would (its
    # quoting is the shell's), with a stand-in quorvex that says what its standard input is,
    # and a pipe where the console would be.
    stand_in=$(mktemp -d)
    printf '#!/bin/sh\nreadlink /proc/$$/fd/0 >%s/stdin\n' "$stand_in" >"$stand_in/quorvex"
    chmod +x "$stand_in/quorvex"
    exec_line=$(entry Exec)
    (eval "set -- $exec_line" && : | PATH=$stand_in:$PATH "$@") ||
        fail "the desktop entry's Exec line failed: $exec_line"
    [[ $(cat "$stand_in/stdin" 2>/dev/null) == /dev/null ]] ||
        fail "the desktop entry starts quorvex with standard input $(cat "$stand_in/stdin" 2>/dev/null), not /dev/null: $exec_line"
fi

# What apt, dpkg and the triggers they run say when something went wrong.
complaints() { grep -E 'WARNING|[Ee]rror|^(W|E): ' <<<"$1" || true; }
# run_apt WHAT ARGS...: apt-get ARGS, which must succeed and say no complaint; what it said is
# left in log.
run_apt() {
    local what=$1
    shift
    log=$(apt-get "$@" 2>&1) || { echo "$log" >&2; fail "$what: apt-get $1 failed"; }
    [[ -z $(complaints "$log") ]] || fail "$what said: $(complaints "$log")"
}
if [[ $(id -u) -eq 0 && ${CI:-} == true ]]; then
    export DEBIAN_FRONTEND=noninteractive
    installed=1
    root=/
    run_apt installing install -y --no-install-recommends "${debs[@]/#/./}"
    [[ $(man -w quorvex) == /usr/share/man/man1/quorvex.1.gz ]] || fail "man quorvex finds $(man -w quorvex)"
else
    root=$staging
fi

"$root/usr/bin/quorvex-nmea-sim" --help | grep '^usage: quorvex-nmea-sim' >/dev/null || fail "quorvex-nmea-sim --help"
"$root/usr/bin/quorvex-check" --help | grep '^usage: quorvex-check' >/dev/null || fail "quorvex-check --help"
libraries=()
((has_dialog)) && libraries+=("$root/usr/bin/quorvex")
((has_module)) && libraries+=("$root/usr/lib/quorvex/quorvex-pixel.so")
for file in "${libraries[@]}"; do
    missing=$(ldd "$file" | grep 'not found' || true)
    [[ -z $missing ]] || fail "$file lacks libraries: $missing"
done
# The installed program finds the installed window module beside it and opens its window.
if ((has_dialog && has_module)); then
    said=$(tests/e2e/window_offscreen_e2e.sh "$root/usr/bin/quorvex" 2>&1) ||
        fail "the installed quorvex opens no window: $said"
fi
for page in quorvex quorvex-check quorvex-nmea-sim; do
    file=$root/usr/share/man/man1/$page.1.gz
    text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
    [[ $text == *"Quorvex $version"* ]] || fail "man page $page(1) does not render with the version"
    warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$file" 2>&1 >/dev/null || true)
    [[ -z $warnings ]] || fail "man page $page(1) warns: $warnings"
done

if ((installed)); then
    # The icon cache and the desktop database are brought up to date by dpkg triggers of
    # hicolor-icon-theme and desktop-file-utils, which fire for the files quorvex-gui installs.
    # They must have run without a complaint and left no package waiting for them, and the
    # icon cache, where there is one, must know the icon on install and forget it on removal.
    if ((has_gui)); then
        for trigger in hicolor-icon-theme desktop-file-utils; do
            [[ $log == *"Processing triggers for $trigger "* ]] || fail "installing fired no trigger of $trigger"
        done
    fi
    [[ -z $(dpkg --audit) ]] || fail "dpkg --audit after installing: $(dpkg --audit)"
    packages=(quorvex)
    ((has_gui)) && packages+=(quorvex-gui)
    for package in "${packages[@]}"; do
        status=$(dpkg-query -W -f='${Status}' "$package")
        [[ $status == "install ok installed" ]] || fail "$package is '$status' after installing"
    done
    cache=/usr/share/icons/hicolor/icon-theme.cache
    if ((has_gui)) && [[ -f $cache ]]; then
        grep -qF "$id" "$cache" || fail "the icon cache does not know $id after installing"
    fi
    if ((has_gui && has_dialog)); then
        # Without the window's package, a start without a terminal ends at once and says which
        # package would give it a window.
        run_apt "removing quorvex-gui" purge -y quorvex-gui
        alone=$(mktemp -d)
        status=0
        said=$(QUORVEX_PREFIX=$alone/prefix XDG_RUNTIME_DIR=$alone QT_QPA_PLATFORM=offscreen \
            timeout 10 /usr/bin/quorvex </dev/null 2>&1) || status=$?
        rm -rf "$alone"
        ((status == 255)) && [[ $said == *quorvex-gui* ]] ||
            fail "quorvex without quorvex-gui and without a terminal ended with $status: $said"
        packages=(quorvex)  # apt knows a package installed from a file only while it is there
    fi
    run_apt removing purge -y "${packages[@]}"
    installed=0
    [[ -z $(dpkg --audit) ]] || fail "dpkg --audit after removing: $(dpkg --audit)"
    left=$({
        find /usr/lib/quorvex /usr/share/doc/quorvex /usr/share/doc/quorvex-gui /usr/bin/quorvex* \
            /usr/share/man/man1/quorvex*
        find /usr/share/icons /usr/share/applications /usr/share/metainfo -name "$id.*"
    } 2>/dev/null || true)
    [[ -z $left ]] || fail "left after removing: ${left//$'\n'/ }"
    if [[ -f $cache ]] && grep -qF "$id" "$cache"; then
        fail "the icon cache still knows $id after removing"
    fi
fi

((failed == 0)) && echo "check-package: $(cd "$build" && echo *.deb) good (${#shipped[@]} files)"
exit $failed
