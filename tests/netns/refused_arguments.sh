#!/bin/bash
# Arguments the tool refuses: exit 2, one line on stderr without control characters, nothing on
# stdout. Nothing is sent, and every address here is on the loopback network in case something
# were.
sweep=${1:?usage: refused_arguments.sh PATH_TO_ZELVORO_SWEEP}
out=$(mktemp -d) || exit 1
trap 'rm -rf -- "$out"' EXIT

failures=0
refused() {
    local status=0
    "$sweep" "$@" >"$out/stdout" 2>"$out/stderr" || status=$?
    local lines
    lines=$(wc -l <"$out/stderr")
    if [ "$status" -ne 2 ] || [ "$lines" -ne 1 ] || [ -s "$out/stdout" ]; then
        echo "FAIL: zelvoro-sweep $(printf '[%q] ' "$@"): exit $status, $lines stderr lines" >&2
        failures=$((failures + 1))
    elif LC_ALL=C grep -q '[[:cntrl:]]' "$out/stderr"; then
        echo "FAIL: zelvoro-sweep $(printf '[%q] ' "$@"): control characters on stderr" >&2
        failures=$((failures + 1))
    fi
}

refused                          # no arguments
refused 127.0.0.1                # one argument
refused 127.0.0.1 9 10           # three arguments
refused --sequential 127.0.0.1   # flag without the end octet
refused --mac --sequential 127.0.0.1
refused 127.0.0.5 5              # end equal to start
refused 127.0.0.9 8              # end below start
refused 127.0.0.9 0
refused 127.0.0.1 256            # above 255
refused 127.0.0.1 1000
refused 127.0.0.1 99999999999999999999
refused 127.0.0.1 ""             # not a plain decimal number
refused 127.0.0.1 +9
refused 127.0.0.1 -9
refused 127.0.0.1 0x10
refused 127.0.0.1 " 9"
refused 127.0.0.1 "9 "
refused 127.0.0.1 09
refused 127.0.0.1 9.0
refused 127.0.0.1 nine
refused 127.0.0.256 9            # bad start addresses
refused 127.0.0 9
refused 127.0.0.01 9
refused "127.0.0.1 " 9
refused 127.0.0.-1 9
refused "" 9
refused 255.255.255.255 255      # refused as an address, like the conversion refuses it
refused 127.0.0.0/15             # a network range: too large
refused 127.0.0.0/31             # too small to have host addresses
refused 127.0.0/24
refused 127.0.0.0/24 9           # a range takes no end octet
refused --mac 127.0.0.0/23       # --mac and --names take at most a /24
refused --names 127.0.0.0/16
refused --mac --wait 127.0.0.1 9 # --wait without its milliseconds
refused --mac --wait -1 127.0.0.1 9
refused --mac --wait 600001 127.0.0.1 9
refused --mac --wait 1.5 127.0.0.1 9
refused $'127.0.0.1\e[2J' 9       # what a terminal would take for commands
refused 127.0.0.1 $'9\n'
refused $'\r127.0.0.1\t' 9

# Shown escaped: control characters, the backslash and bytes that are no UTF-8 (a C1 control
# in UTF-8 included); other UTF-8 stays.
"$sweep" $'1\e[2J\\\xff\xc2\x9b\xc3\xa9\n' 9 2>"$out/stderr" >/dev/null
expected='zelvoro-sweep: not an IPv4 address: "1\x1b[2J\\\xff\xc2\x9b'$'\xc3\xa9''\n"'
if [ "$(cat "$out/stderr")" != "$expected" ]; then
    echo "FAIL: escaped argument: got $(printf %q "$(cat "$out/stderr")"), expected $expected" >&2
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || exit 1
echo "PASS: all refused with exit 2 and one line on stderr"
