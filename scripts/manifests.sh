#!/usr/bin/env bash
# Writes the package managers' manifests of a release that scripts/package.sh
# has put in DIR, each naming the release's files under BASE_URL (where they
# will be published) with their SHA-256:
#   DIR/winget/Morvane.Vireola.yaml               the Windows Package Manager's
#   DIR/winget/Morvane.Vireola.installer.yaml     manifest, in three files: the
#   DIR/winget/Morvane.Vireola.locale.en-US.yaml  per-user installer and the
#                                                 portable zip, its command alias
#                                                 "vireola"
#   DIR/scoop/vireola.json                        Scoop's: the zip, with a
#                                                 Start-menu shortcut
# The version, the product code and the names come from the package itself.
# usage: manifests.sh DIR BASE_URL
set -euo pipefail
dir=$(cd "$1" && pwd) base=${2%/}
# nothing in it that YAML or JSON would have to escape
if ! [[ $base =~ ^https?://[A-Za-z0-9._~:/?#@!\$\&()*+,\;=%-]+$ ]]; then
    echo "manifests.sh: not an http(s) address that can go into a manifest as it is: $base" >&2
    exit 2
fi

identifier=Morvane.Vireola
manifest_version=1.6.0
summary="Transparent label backgrounds and coloured label text for the desktop icons"
# Morvane's copyright, free to use: Scoop's word for it, and any text for winget
license=Freeware

msi=$(cd "$dir" && ls Vireola-*.msi)
zip=$(basename "$msi" .msi)-win32.zip
version=${msi#Vireola-}
version=${version%.msi}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
property() {
    (cd "$work" && msiinfo export "$dir/$msi" Property) | tr -d '\r' | awk -F'\t' -v p="$1" '$1 == p { print $2 }'
}
sha256() { sha256sum "$dir/$1" | cut -d' ' -f1; }
upper() { tr a-f A-F <<<"$1"; }
product_code=$(property ProductCode)
upgrade_code=$(property UpgradeCode)
product_name=$(property ProductName)
product_version=$(property ProductVersion)
publisher=$(property Manufacturer)
msi_sha256=$(sha256 "$msi")
zip_sha256=$(sha256 "$zip")

rm -rf "$dir/winget" "$dir/scoop"
mkdir -p "$dir/winget" "$dir/scoop"

# Every value is quoted: YAML would read 3.0 as a number and {...} as a map.
cat >"$dir/winget/$identifier.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.$manifest_version.schema.json
PackageIdentifier: '$identifier'
PackageVersion: '$version'
DefaultLocale: 'en-US'
ManifestType: 'version'
ManifestVersion: '$manifest_version'
EOF

# The package installs for the user who runs it and refuses a per-machine
# installation; each build has a product code of its own, and a newer one
# replaces the installed one by itself (a major upgrade): winget only has to
# run it. winget install --location gives the package's INSTALLDIR (not the
# TARGETDIR it gives a package by default), which upgrades keep. Apps &
# features shows the product name with its version, and the package's
# ProductVersion, which folds patch and build into one field.
cat >"$dir/winget/$identifier.installer.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.$manifest_version.schema.json
PackageIdentifier: '$identifier'
PackageVersion: '$version'
Installers:
- Architecture: 'x86'
  InstallerType: 'msi'
  Scope: 'user'
  InstallerUrl: '$base/$msi'
  InstallerSha256: '$(upper "$msi_sha256")'
  ProductCode: '$product_code'
  UpgradeBehavior: 'install'
  InstallerSwitches:
    InstallLocation: 'INSTALLDIR="<INSTALLPATH>"'
  AppsAndFeaturesEntries:
  - DisplayName: '$product_name'
    Publisher: '$publisher'
    DisplayVersion: '$product_version'
    ProductCode: '$product_code'
    UpgradeCode: '$upgrade_code'
- Architecture: 'x86'
  InstallerType: 'zip'
  NestedInstallerType: 'portable'
  NestedInstallerFiles:
  - RelativeFilePath: 'Vireola.exe'
    PortableCommandAlias: 'vireola'
  InstallerUrl: '$base/$zip'
  InstallerSha256: '$(upper "$zip_sha256")'
  Commands:
  - 'vireola'
ManifestType: 'installer'
ManifestVersion: '$manifest_version'
EOF

cat >"$dir/winget/$identifier.locale.en-US.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.$manifest_version.schema.json
PackageIdentifier: '$identifier'
PackageVersion: '$version'
PackageLocale: 'en-US'
Publisher: '$publisher'
PackageName: 'Vireola'
License: '$license'
Copyright: 'Copyright (c) 1998 $publisher'
ShortDescription: '$summary'
Moniker: 'vireola'
ManifestType: 'defaultLocale'
ManifestVersion: '$manifest_version'
EOF

# The Start-menu shortcut opens the settings dialog, as the installer's does;
# the release's own address stands for the home page.
cat >"$dir/scoop/vireola.json" <<EOF
{
    "version": "$version",
    "description": "$summary",
    "homepage": "$base",
    "license": "$license",
    "url": "$base/$zip",
    "hash": "$zip_sha256",
    "shortcuts": [
        ["Vireola.exe", "Vireola", "/f"]
    ]
}
EOF
ls -l "$dir"/winget/*.yaml "$dir/scoop/vireola.json"
