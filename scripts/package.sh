#!/usr/bin/env bash
# Builds the release from the source tree into dist/:
#   Vireola-<version>.msi         the per-user Windows Installer package
#   Vireola-<version>-win32.zip   the portable program: Vireola.exe, README.txt
#   SHA256SUMS                    the checksums of both
#   winget/, scoop/               the package managers' manifests, given the
#                                 address the files will be published at
# Vireola.exe is signed before it goes into both, and the package after it is
# made, when scripts/sign.sh is given a certificate; without one they are not.
#   --version X.Y.Z.W   a release of another version than the project's, from
#                       a build tree of its own (build/win32-X.Y.Z.W)
#   --out DIR           the files go there instead of dist/
#   --base-url URL      the address the release's files will be published at
#                       (URL/Vireola-<version>.msi): the manifests name them
#                       there; without it no manifests are written
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version= out=dist base_url=
while [ $# -gt 0 ]; do
    case $1 in
    --version) version=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --base-url) base_url=$2; shift 2 ;;
    *) echo "usage: $0 [--version X.Y.Z.W] [--out DIR] [--base-url URL]" >&2; exit 2 ;;
    esac
done

bash scripts/setup.sh
if [ -n "$version" ]; then
    build=build/win32-$version
    cmake --preset win32 -B "$build" -DVIREOLA_VERSION="$version" >/dev/null
else
    build=build/win32
    cmake --preset win32 >/dev/null
fi
cmake --build "$build" --target Vireola EndRunningCopy -j 2 >/dev/null
# VIREOLA_VERSION, VIREOLA_VERSION_MSI and VIREOLA_VERSION_TEXT, as CMake made them
. "$build/release.env"
msi=Vireola-$VIREOLA_VERSION.msi
zip=Vireola-$VIREOLA_VERSION-win32.zip

# what goes into the package and the zip, as wixl finds it: in its folder
stage=$build/release
rm -rf "$stage"
mkdir -p "$stage"
cp "$build/bin/Vireola.exe" "$build/packaging/EndRunningCopy.dll" res/Vireola.ico "$stage/"
bash scripts/sign.sh "$stage/Vireola.exe"

(cd "$stage" && wixl -o "$msi" -D Version="$VIREOLA_VERSION_MSI" -D VersionText="$VIREOLA_VERSION_TEXT" \
    "$root/packaging/Vireola.wxs")
grep -v -e '^--' -e '^$' packaging/Vireola.sql | sed "s/@VERSION_MSI@/$VIREOLA_VERSION_MSI/g" | while read -r statement; do
    msibuild "$stage/$msi" -q "$statement"
done
# wixl marks every custom action not written Impersonate="yes" as run without
# impersonation (msidbCustomActionTypeNoImpersonate, 0x800), which a deferred
# action in an elevated installation does as the system account; a per-user
# package runs every action as its user, so the mark goes, whichever action
# carries it
actions=$(cd "$stage" && msiinfo export "$msi" CustomAction | tail -n +4 | tr -d '\r' | cut -f1,2)
while read -r action type; do
    if (( type & 0x800 )); then
        msibuild "$stage/$msi" -q "UPDATE \`CustomAction\` SET \`Type\` = $(( type & ~0x800 )) WHERE \`Action\` = '$action'"
    fi
done <<<"$actions"
bash scripts/sign.sh "$stage/$msi"

# Windows' own editors want CR LF
sed 's/$/\r/' packaging/README.txt >"$stage/README.txt"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip Vireola.exe README.txt)

mkdir -p "$out"
rm -rf "$out"/Vireola-*.msi "$out"/Vireola-*-win32.zip "$out/SHA256SUMS" "$out/winget" "$out/scoop"
cp "$stage/$msi" "$stage/$zip" "$out/"
(cd "$out" && sha256sum "$msi" "$zip" >SHA256SUMS)
ls -l "$out/$msi" "$out/$zip" "$out/SHA256SUMS"
if [ -n "$base_url" ]; then
    bash scripts/manifests.sh "$out" "$base_url"
else
    echo "no --base-url: no package-manager manifests" >&2
fi
