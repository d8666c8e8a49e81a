#!/usr/bin/env bash
# Adds a deb-src entry for Debian's mirror if the machine has none, so that
# `apt-get source` can fetch the libraries cross-builds need.
set -euo pipefail
grep -rqs '^Types: deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ && exit 0
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
# The same mirror and suites as the machine's packages; the security archive's pool
# keeps only its newest sources, so it is left out.
printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm bookworm-updates' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    "${as_root[@]}" tee /etc/apt/sources.list.d/tolvarin-src.sources >/dev/null
"${as_root[@]}" apt-get update -qq
