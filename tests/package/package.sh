#!/bin/bash
# The Debian package: made by CPack from the build tree BUILD_DIR into a temporary folder, its
# file list, control fields, desktop entry, icons and lintian checked; its post-install step
# run against copies extracted into the temporary folder, after which only the echo helper holds
# a capability (also where an earlier version gave one to the programs) and the user nobody
# sweeps 127.0.0.1-3 through it with the packaged zelvoro-sweep. The sweeps run in network
# namespaces made for each command, whose ping_group_range the test sets, whatever the
# machine's own setting is.
build=${1:?usage: package.sh BUILD_DIR}

skip() {
    echo "SKIP: $*"
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip "needs root (setcap, network namespaces, another user)"
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate setcap getcap unshare \
    setpriv ip awk od; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
done
getent passwd nobody >/dev/null || skip "no user nobody"
group=$(id -gn nobody) || skip "no group for nobody"

tmp=$(mktemp -d) || fail "mktemp failed"
trap 'rm -rf -- "$tmp"' EXIT
chmod 755 "$tmp" # the user nobody runs programs from here

# in_namespace RANGE COMMAND...: COMMAND in a new network namespace with its loopback up and
# net.ipv4.ping_group_range set to RANGE; the namespace ends with the command.
in_namespace() {
    # shellcheck disable=SC2016 # expanded by the inner shell
    unshare --net sh -c 'ip link set lo up &&
        echo "$0" >/proc/sys/net/ipv4/ping_group_range && exec "$@"' "$@"
}
# The user nobody with no supplementary groups.
as_nobody=(setpriv --reuid=nobody --regid="$group" --clear-groups --)

# --- the package
cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -n 5 "$tmp/cpack.log")"
debs=("$tmp"/out/zelvoro_*_amd64.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "expected one package: ${debs[*]}"
fi
deb=${debs[0]}

dpkg-deb -c "$deb" >"$tmp/contents" || fail "dpkg-deb cannot list the package"
awk '$2 != "root/root" || $1 ~ /[sStT]/ || ($1 ~ /^d/ && $1 != "drwxr-xr-x")' "$tmp/contents" \
    >"$tmp/odd"
[ ! -s "$tmp/odd" ] || fail "owners or modes: $(cat "$tmp/odd")"
awk '$1 !~ /^d/ { print $1, $6 }' "$tmp/contents" | LC_ALL=C sort >"$tmp/files"
{
    echo "-rwxr-xr-x ./usr/bin/zelvoro"
    echo "-rwxr-xr-x ./usr/bin/zelvoro-sweep"
    echo "-rw-r--r-- ./usr/share/applications/zelvoro.desktop"
    echo "-rw-r--r-- ./usr/share/doc/zelvoro/changelog.gz"
    echo "-rw-r--r-- ./usr/share/doc/zelvoro/copyright"
    for size in 16 22 24 32 48 64 128 256; do
        echo "-rw-r--r-- ./usr/share/icons/hicolor/${size}x$size/apps/zelvoro.png"
    done
    echo "-rw-r--r-- ./usr/share/lintian/overrides/zelvoro"
    echo "-rw-r--r-- ./usr/share/man/man1/zelvoro-sweep.1.gz"
    echo "-rw-r--r-- ./usr/share/man/man1/zelvoro.1.gz"
    echo "-rwxr-xr-x ./usr/libexec/zelvoro/zelvoro-echo-helper"
} | LC_ALL=C sort >"$tmp/expected-files"
diff -u "$tmp/expected-files" "$tmp/files" || fail "the file list differs"

# Depends comes from the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6; do
    [[ $depends == *"$library ("* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb cannot extract the package"
dpkg-deb -e "$deb" "$tmp/control" || fail "dpkg-deb cannot extract the control files"
desktop-file-validate "$tmp/root/usr/share/applications/zelvoro.desktop" ||
    fail "desktop-file-validate refused the desktop entry"
for png in "$tmp"/root/usr/share/icons/hicolor/*/apps/zelvoro.png; do
    size=${png%/apps/*}
    size=${size##*/}
    # The PNG header: signature, chunk length and type, then width and height (big-endian).
    read -r -a header < <(od -An -tu1 -N24 -v "$png" | tr -s ' \n' ' ')
    [ "${header[1]}${header[2]}${header[3]}" = 807871 ] || fail "$png is not a PNG"
    width=$(((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19]))
    height=$(((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23]))
    [ "${width}x$height" = "$size" ] || fail "$png is ${width}x$height"
done
lintian --fail-on error,warning "$deb" >"$tmp/lintian" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian")"

# --- the post-install step
# caps_in ROOT: every capability held by a file under ROOT, "PATH CAPS" with PATH below ROOT.
caps_in() {
    getcap -r "$1" | sed "s|^$1||" | LC_ALL=C sort
}
helper_only="/usr/libexec/zelvoro/zelvoro-echo-helper cap_net_raw=ep"

# An upgrade from a version that gave both programs cap_net_raw: afterwards only the helper
# holds it.
for program in zelvoro zelvoro-sweep; do
    setcap cap_net_raw+ep "$tmp/root/usr/bin/$program" || fail "cannot setcap $program"
done
env DPKG_ROOT="$tmp/root" sh "$tmp/control/postinst" configure ||
    fail "postinst exited with $? on an upgrade"
[ "$(caps_in "$tmp/root")" = "$helper_only" ] ||
    fail "capabilities after an upgrade: [$(caps_in "$tmp/root")], expected [$helper_only]"

# Ping sockets closed: nobody sweeps with the packaged tool, which holds nothing, through the
# helper.
sweep=$tmp/root/usr/bin/zelvoro-sweep
printf '%s\n' 127.0.0.1 127.0.0.2 127.0.0.3 -- >"$tmp/expected-sweep"
in_namespace "1 0" "${as_nobody[@]}" "$sweep" 127.0.0.1 3 >"$tmp/sweep" 2>"$tmp/sweep-errors" ||
    fail "nobody's sweep exited with $? ($(cat "$tmp/sweep-errors"))"
diff -u "$tmp/expected-sweep" "$tmp/sweep" || fail "nobody's sweep lists differ"

# The control: with a helper that holds nothing, nobody's sweep is refused.
setcap -r "$tmp/root/usr/libexec/zelvoro/zelvoro-echo-helper" || fail "cannot remove the capability"
status=0
in_namespace "1 0" "${as_nobody[@]}" "$sweep" 127.0.0.1 3 >"$tmp/sweep" 2>&1 || status=$?
[ "$status" -eq 3 ] || fail "with a helper that holds nothing nobody's sweep exited with $status, not 3"

# A fresh installation, the programs holding nothing before: the helper alone gets it.
dpkg-deb -x "$deb" "$tmp/fresh" || fail "dpkg-deb cannot extract the package"
env DPKG_ROOT="$tmp/fresh" sh "$tmp/control/postinst" configure ||
    fail "postinst exited with $? on a fresh installation"
[ "$(caps_in "$tmp/fresh")" = "$helper_only" ] ||
    fail "capabilities after installing: [$(caps_in "$tmp/fresh")], expected [$helper_only]"

# No setcap: the step still succeeds, says why, grants nothing and makes nothing setuid.
dpkg-deb -x "$deb" "$tmp/bare" || fail "dpkg-deb cannot extract the package"
mkdir "$tmp/path"
env PATH="$tmp/path" DPKG_ROOT="$tmp/bare" /bin/sh "$tmp/control/postinst" configure \
    2>"$tmp/bare-errors" || fail "postinst without setcap exited with $?"
grep -q setcap "$tmp/bare-errors" || fail "postinst without setcap said nothing"
granted=$(getcap -r "$tmp/bare")
[ -z "$granted" ] || fail "capabilities without setcap: $granted"
[ -z "$(find "$tmp/bare" -perm /6000)" ] || fail "setuid or setgid files without setcap"

echo "PASS: package built, checked by lintian; only the echo helper holds a capability, and nobody sweeps through it"
