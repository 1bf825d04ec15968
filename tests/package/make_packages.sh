#!/usr/bin/env bash
# Builds the releases that the package tests check and install, each with
# scripts/package.sh as a release is built:
#   DIR/current    the project's version, signed with a throwaway self-signed
#                  code-signing certificate (DIR/cert) made here
#   DIR/previous   an older version (the upgrade starts from it), unsigned
#   DIR/rebuilt    the project's version built once more, unsigned: the same
#                  version with a product code of its own
# The current release has its package managers' manifests, for files
# published at an address of the reserved .test domain.
# usage: make_packages.sh DIR OLDER_VERSION
set -euo pipefail
dir=$1 previous=$2
root=$(cd "$(dirname "$0")/../.." && pwd)

rm -rf "$dir"
mkdir -p "$dir/cert"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vireola throwaway test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$dir/cert/key.pem" -out "$dir/cert/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$dir/cert/key.pem" -in "$dir/cert/cert.pem" \
    -out "$dir/cert/cert.p12" -passout pass:throwaway

unsigned=(env -u VIREOLA_SIGN_PKCS12 -u VIREOLA_SIGN_PKCS11_MODULE -u VIREOLA_SIGN_TIMESTAMP_URL)
"${unsigned[@]}" VIREOLA_SIGN_PKCS12="$dir/cert/cert.p12" VIREOLA_SIGN_PASSWORD=throwaway \
    bash "$root/scripts/package.sh" --out "$dir/current" --base-url https://downloads.vireola.test/releases
"${unsigned[@]}" bash "$root/scripts/package.sh" --version "$previous" --out "$dir/previous"
"${unsigned[@]}" bash "$root/scripts/package.sh" --out "$dir/rebuilt"
