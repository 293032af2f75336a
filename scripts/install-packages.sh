#!/usr/bin/env bash
# install-packages.sh LIST...: installs the Debian packages named in the list files (one per
# line, '#' starts a comment) that are not installed yet. Uses sudo when not root.
set -euo pipefail

wanted=()
for list in "$@"; do
  while read -r package _; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      wanted+=("$package")
  done < "$list"
done
[[ ${#wanted[@]} -eq 0 ]] && exit 0

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
# Another package manager (unattended upgrades, a software centre) may hold apt's or dpkg's locks:
# rather than fail at once, wait for it up to 5 minutes. apt-get waits for dpkg's lock itself
# (DPkg::Lock::Timeout); `apt-get update` does not wait for the package lists' lock, so that wait
# is here.
lock_timeout=300
lock_held() { # PATTERN: an extended regular expression of lock file paths
  local locks
  locks=$("${as_root[@]}" lslocks -n -o PATH 2> /dev/null) || return 1
  grep -q -E "$1" <<< "$locks"
}
echo "installing: ${wanted[*]}"
if lock_held '^/var/(lib/dpkg|lib/apt/lists|cache/apt/archives)/lock'; then
  echo "another package manager is running: waiting for it to finish (up to 5 minutes)"
fi
deadline=$((SECONDS + lock_timeout))
while lock_held '^/var/lib/apt/lists/lock$' && ((SECONDS < deadline)); do
  sleep 1
done
"${as_root[@]}" apt-get -o DPkg::Lock::Timeout="$lock_timeout" update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout="$lock_timeout" \
  install -y -qq --no-install-recommends "${wanted[@]}" > /dev/null
