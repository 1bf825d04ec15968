#!/usr/bin/env bash
# Checks the release files that make_packages.sh built in DIR, on this side:
#   zip          the zip holds Vireola.exe and README.txt (CR LF) and nothing else
#   checksums    SHA256SUMS names the package and the zip, and their sums hold
#   signatures   the program and the package verify against the throwaway
#                certificate, the package carries the same program as the
#                zip, and the older, unsigned release carries no signature
# usage: check_release.sh zip|checksums|signatures DIR
set -euo pipefail
check=$1 dir=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
current=$dir/current
msi=$(ls "$current"/Vireola-*.msi)
zip=$(ls "$current"/Vireola-*-win32.zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")

case $check in
zip)
    diff <(cmake -E tar tf "$zip" | sort) <(printf '%s\n' README.txt Vireola.exe)
    sed 's/$/\r/' "$root/packaging/README.txt" | cmp - "$work/README.txt"
    ;;
checksums)
    diff <(awk '{ print $2 }' "$current/SHA256SUMS") <(basename -a "$msi" "$zip")
    (cd "$current" && sha256sum --check --strict SHA256SUMS)
    ;;
signatures)
    for file in "$msi" "$work/Vireola.exe"; do
        osslsigncode verify -CAfile "$dir/cert/cert.pem" -in "$file" >"$work/verify.log" \
            || { cat "$work/verify.log"; exit 1; }
        echo "verified: $file"
    done
    msiextract -C "$work/msi" "$msi" >/dev/null
    cmp "$work/Vireola.exe" "$work/msi/Programs/Vireola/Vireola.exe"
    for file in "$dir"/previous/Vireola-*.msi; do
        if osslsigncode verify -CAfile "$dir/cert/cert.pem" -in "$file" >/dev/null 2>&1; then
            echo "signed, though built without a certificate: $file"
            exit 1
        fi
    done
    ;;
*)
    echo "usage: $0 zip|checksums|signatures DIR" >&2
    exit 2
    ;;
esac
