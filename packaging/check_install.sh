#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks ORBILAN as a user gets it from a configured and built folder (argument): installed with
# `cmake --install` into a temporary root, then as the Debian package unpacked into another.
# Nothing is installed on this machine.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"  # the unprivileged user below must reach the trees in it
fail() {
    echo "check_install: $*" >&2
    exit 1
}
version=$(sed -n 's/^#define ORBILAN_VERSION "\(.*\)"$/\1/p' "$build/generated/orbilan_version.h")
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
id=io.github.orbilan.orbilan

# Runs a command as a user with an empty home who cannot write the installed tree: as root
# (CI), an unprivileged user, since root writes anywhere; otherwise the caller.
home=$work/home
mkdir "$home"
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        chown 65534:65534 "$home"
        setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin "$@"
    else
        env -i HOME="$home" PATH=/usr/bin:/bin "$@"
    fi
}

# Runs the orbilan-run of an installed or unpacked tree on that tree's figure-eight sample, and on
# a body without a skin, which must get the default skin of that tree's share/orbilan/.
printf 'Lonely, body\r\nObjects, 1\r\ndt, 1\r\nG, 1\r\nObject, 1, Rock,\r\nPosition, 0, 0, 0\r\n%b' \
    'Velocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n' >"$home/lonely.txt"
check_runner() {
    local usr=$1 out=$home/run-$RANDOM
    as_user "$usr/bin/orbilan-run" "$usr/share/orbilan/Projects/figure_eight.txt" --stop-time 6.32591398 --quiet \
        >"$out.log" || fail "$usr/bin/orbilan-run failed: $(cat "$out.log")"
    grep -qx "bodies: 3" "$out.log" || fail "unexpected run: $(cat "$out.log")"
    as_user "$usr/bin/orbilan-run" "$home/lonely.txt" --steps 1 --quiet --final-state "$out.txt" >/dev/null ||
        fail "$usr/bin/orbilan-run failed on a body without a skin"
    grep -q "\"$usr/share/orbilan/def.bmp\"" "$out.txt" || fail "not the installed default skin: $(cat "$out.txt")"
}

# --- cmake --install ---------------------------------------------------------------------------
root=$work/root
DESTDIR=$root cmake --install "$build" >/dev/null
usr=$root$prefix
for file in bin/orbilan bin/orbilan-run share/orbilan/def.bmp share/orbilan/Projects/solar_system.txt \
    share/orbilan/Projects/earth_moon_craft.JI share/orbilan/skins/earth.bmp \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/orbilan.1.gz share/man/man1/orbilan-run.1.gz share/doc/orbilan/copyright; do
    [ -f "$usr/$file" ] || fail "cmake --install did not install $file"
done
for size in 16 24 32 48 64 128 256; do
    icon=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon: $(file -b "$icon")"
done

# Desktop entry and metainfo: valid, nothing to warn about, and the metainfo names this version.
# (A hint remains: Education and Science are both main categories, so menus may list ORBILAN twice.)
report=$(desktop-file-validate "$usr/share/applications/$id.desktop" 2>&1) || fail "desktop entry: $report"
! grep -v ": hint: " <<<"$report" || fail "desktop entry: warnings above"
grep -qx "Exec=orbilan %f" "$usr/share/applications/$id.desktop" || fail "desktop entry: Exec"
report=$(appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$id.metainfo.xml" 2>&1) || fail "metainfo: $report"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/$id.metainfo.xml" || fail "metainfo: not version $version"

# Free software: the licence by its SPDX identifier in the copyright file and the metainfo.
grep -qx "License: GPL-3.0-or-later" "$usr/share/doc/orbilan/copyright" || fail "copyright: no GPL-3.0-or-later"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$usr/share/metainfo/$id.metainfo.xml" ||
    fail "metainfo: not GPL-3.0-or-later"

# Projects are recognised by their content, not as any text file, and the desktop entry opens them.
grep -qx "MimeType=application/x-orbilan-project;" "$usr/share/applications/$id.desktop" || fail "desktop entry: MimeType"
mkdir -p "$work/mime/share"
cp -r "$usr/share/mime" "$work/mime/share/"
update-mime-database "$work/mime/share/mime" >/dev/null 2>&1
printf 'Shopping list\nbread, milk\n' >"$work/mime/list.txt"
for file in "$usr"/share/orbilan/Projects/*.txt "$work/mime/list.txt"; do
    expected=application/x-orbilan-project
    [ "$file" = "$work/mime/list.txt" ] && expected=text/plain
    type=$(env -i HOME="$home" PATH=/usr/bin:/bin XDG_DATA_DIRS="$work/mime/share:/usr/share" xdg-mime query filetype "$file")
    [ "$type" = "$expected" ] || fail "xdg-mime: $file is $type, not $expected"
done
# Wayland sessions match the window to the desktop entry by its name, which the program sets.
grep -q "$id" "$usr/bin/orbilan" || fail "orbilan does not name its desktop entry"

# Man pages render without a warning and name this version.
for page in orbilan orbilan-run; do
    manual=$usr/share/man/man1/$page.1.gz
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manual" 2>&1 >/dev/null) || fail "man $page failed"
    [ -z "$warnings" ] || fail "man $page: $warnings"
    zcat "$manual" | head -1 | grep -q "\"orbilan $version\"" || fail "man $page: not version $version"
done

# The installed programs, in a read-only tree, run by a user with an empty home.
chmod -R a-w "$root"
[ "$(as_user "$usr/bin/orbilan" --version)" = "orbilan $version" ] || fail "orbilan --version"
help=$(as_user "$usr/bin/orbilan" --help) && [[ $help == "Usage: orbilan [--integrator=euler|gauss-radau] [PROJECT]"* ]] || fail "orbilan --help: $help"
status=0
as_user "$usr/bin/orbilan" --bogus 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "orbilan --bogus ended with $status, not 2"
check_runner "$usr"

# --- the Debian package ------------------------------------------------------------------------
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb=$work/package/orbilan_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb: $(ls "$work/package")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libqt6widgets6 libqt6openglwidgets6 libqt6svg6 libqt6charts6 libglu1-mesa libavcodec59 \
    libavformat59 libswscale6 libavutil57; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed: $depends"
done
as_user lintian --fail-on error,warning "$deb" || fail "lintian found faults in the package"
hardening=$(as_user lintian --display-info --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro,hardening-no-pie "$deb")
[ -z "$hardening" ] || fail "the binaries lack hardening: $hardening"
maintainer=$(sed -n 's/^ORBILAN_MAINTAINER:STRING=//p' "$build/CMakeCache.txt")
[ -n "$maintainer" ] && [ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] ||
    fail "package maintainer '$(dpkg-deb -f "$deb" Maintainer)', configured '$maintainer'"

# The package holds what cmake --install installs, and its unpacked runner works.
unpacked=$work/unpacked
dpkg-deb -x "$deb" "$unpacked"
diff <(cd "$root$prefix" && find . -type f | sort) <(cd "$unpacked/usr" && find . -type f | sort) ||
    fail "the package and cmake --install hold different files"
chmod -R a-w "$unpacked"
[ "$("$unpacked/usr/bin/orbilan" --version)" = "orbilan $version" ] || fail "unpacked orbilan --version"
for program in orbilan orbilan-run; do
    symbols=$(readelf --dyn-syms -W "$unpacked/usr/bin/$program")
    [[ $symbols == *__stack_chk_fail* ]] || fail "$program: no stack protector"
done
check_runner "$unpacked/usr"
echo "check_install: the installed tree and orbilan_${version}_amd64.deb are sound"
