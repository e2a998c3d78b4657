#!/usr/bin/env bash
# Builds the Debian package from a build tree of its own (build/package: the programs, no
# tests), then checks it: its name, its version (the project's, which is the version
# record's), its dependencies, and the exact list of files it installs, unpacked into a
# staging root; there the programs run and the man pages render. Run as root with CI=true,
# it installs the package for real with apt instead, checks `man quorvex`, and removes it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

build=build/package
cmake --preset package >/dev/null
cmake --build --preset package
rm -f "$build"/quorvex_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/quorvex_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "expected one package, found: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}

failed=0
fail() { echo "check-package: $*" >&2; failed=1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
record=$(sed -n 's/.*{L"FileVersion", L"\([0-9.]*\)"}.*/\1/p' resources/version_record.cpp)
[[ -n $version && $version == "$record" ]] ||
    fail "project version '$version' differs from the version record's '$record'"
[[ $(basename "$deb") == "quorvex_${version}_$(dpkg --print-architecture).deb" ]] ||
    fail "unexpected file name $(basename "$deb")"
[[ $(dpkg-deb -f "$deb" Package) == quorvex ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version $(dpkg-deb -f "$deb" Version)"
[[ $(dpkg-deb -f "$deb" Recommends) == *man-db* ]] || fail "does not recommend man-db"

# The dialog program is in the package whenever the tree builds it.
# The target list is taken whole first: grep -q leaving a pipe early would fail ninja's
# write, and with pipefail the whole test, now and then.
has_dialog=0
targets=$(ninja -C "$build" -t targets all)
grep -q '^quorvex: ' <<<"$targets" && has_dialog=1
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
if ((has_dialog)); then
    [[ $depends == *libncursesw6* ]] || fail "Depends lacks libncursesw6: $depends"
fi

expected=(
    ./usr/bin/quorvex-check
    ./usr/bin/quorvex-nmea-sim
    ./usr/share/doc/quorvex/BENCHMARKS.md
    ./usr/share/doc/quorvex/README.md
    ./usr/share/doc/quorvex/copyright
    ./usr/share/man/man1/quorvex-check.1.gz
    ./usr/share/man/man1/quorvex-nmea-sim.1.gz
    ./usr/share/man/man1/quorvex.1.gz
)
((has_dialog)) && expected+=(./usr/bin/quorvex)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [[ $actual != "$wanted" ]]; then
    fail "file list differs (< packed, > expected):"
    diff <(echo "$actual") <(echo "$wanted") >&2 || true
fi

# The package's tree builds the programs it ships and nothing else (no examples, tests,
# benchmarks or test stand-ins).
built=$(awk -F: '$2 ~ /EXECUTABLE_LINKER/ {n = split($1, p, "/"); print "./usr/bin/" p[n]}' <<<"$targets" | sort)
shipped=$(printf '%s\n' "${expected[@]}" | grep '^\./usr/bin/' | sort)
[[ $built == "$shipped" ]] || fail "the package tree builds other programs: $(comm -23 <(echo "$built") <(echo "$shipped") | tr '\n' ' ')"
grep -q 'quorvex_platform_testing' <<<"$targets" && fail "the package tree builds the test stand-ins"

# The licence: MIT in the source tree, the same text in Debian's machine-readable form.
copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/quorvex/copyright)
grep -q '^MIT License$' LICENSE || fail "LICENSE is not the MIT licence"
grep -q '^License: Expat$' <<<"$copyright" || fail "copyright names no Expat (MIT) licence"
licence=$(sed -n '/^Permission is hereby granted/,$p' LICENSE)
stated=$(sed -n '/^License: Expat$/,$p' <<<"$copyright" | sed '1d; s/^ //; s/^\.$//')
[[ $licence == "$stated" ]] || fail "copyright's licence text differs from LICENSE"

if [[ $(id -u) -eq 0 && ${CI:-} == true ]]; then
    root=/
    apt-get install -y -qq "./$deb" >/dev/null
    trap 'apt-get remove -y -qq quorvex >/dev/null' EXIT
    [[ $(man -w quorvex) == /usr/share/man/man1/quorvex.1.gz ]] || fail "man quorvex finds $(man -w quorvex)"
else
    root=$build/staging
    rm -rf "$root"
    dpkg-deb -x "$deb" "$root"
fi

"$root/usr/bin/quorvex-nmea-sim" --help | grep '^usage: quorvex-nmea-sim' >/dev/null || fail "quorvex-nmea-sim --help"
"$root/usr/bin/quorvex-check" --help | grep '^usage: quorvex-check' >/dev/null || fail "quorvex-check --help"
if ((has_dialog)); then
    missing=$(ldd "$root/usr/bin/quorvex" | grep 'not found' || true)
    [[ -z $missing ]] || fail "quorvex lacks libraries: $missing"
fi
for page in quorvex quorvex-check quorvex-nmea-sim; do
    file=$root/usr/share/man/man1/$page.1.gz
    text=$(MANWIDTH=80 man -l "$file" 2>/dev/null)
    [[ $text == *"Quorvex $version"* ]] || fail "man page $page(1) does not render with the version"
    warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$file" 2>&1 >/dev/null || true)
    [[ -z $warnings ]] || fail "man page $page(1) warns: $warnings"
done

((failed == 0)) && echo "check-package: $(basename "$deb") is good (${#expected[@]} files)"
exit $failed
