#!/bin/bash
# "--help" alone or among other arguments: the usage on stdout, nothing on stderr, exit 0, and
# nothing is sent.
sweep=${1:?usage: help.sh PATH_TO_ZELVORO_SWEEP}
out=$(mktemp -d) || exit 1
trap 'rm -rf -- "$out"' EXIT

for arguments in "--help" "127.0.0.1 3 --help" "--sequential --help"; do
    status=0
    # shellcheck disable=SC2086 # the words of one case
    "$sweep" $arguments >"$out/stdout" 2>"$out/stderr" || status=$?
    [ "$status" -eq 0 ] || { echo "FAIL: [$arguments] exited with $status" >&2; exit 1; }
    [ ! -s "$out/stderr" ] || { echo "FAIL: [$arguments] wrote to stderr" >&2; exit 1; }
    head -n 1 "$out/stdout" | grep -qx "usage: zelvoro-sweep \[--sequential\] \[--mac \[--wait MS\]\] \[--names\] START_ADDRESS END_OCTET" ||
        { echo "FAIL: [$arguments] printed no usage line: $(head -n 1 "$out/stdout")" >&2; exit 1; }
done
echo "PASS: --help prints the usage and exits 0"
