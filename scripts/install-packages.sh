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
echo "installing: ${wanted[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
  "${wanted[@]}" > /dev/null
