#!/usr/bin/env bash
# Checks the release files that make_packages.sh built in DIR, on this side:
#   tables       the package keeps the per-user rules that wixl does not check
#                (ICE38: every component's key path an HKCU value; ICE64: a
#                RemoveFolder for every folder it makes) and what wixl may
#                get wrong: the order of the custom actions (in both sequences),
#                the Run value's condition, the downgrade message, the Apps &
#                features icon
#   zip          the zip holds Vireola.exe and README.txt (CR LF) and nothing else
#   checksums    SHA256SUMS names the package and the zip, and their sums hold
#   signatures   the program and the package verify against the throwaway
#                certificate, the package carries the same program as the
#                zip, and the older, unsigned release carries no signature
#   token        scripts/sign.sh signs from a PKCS#11 token as well: the
#                throwaway key on a SoftHSM token signs the older program
#   schemas      the winget and Scoop manifests are valid under the published
#                schemas kept in schemas/ (winget's of the version each
#                declares and, with only that version changed, the newest
#                kept), and manifests broken on purpose are not
#   manifests    the winget and Scoop manifests hold what this package needs
#                beyond the schemas, agree with each other and with the
#                package, and name the release's files with their hashes
# usage: check_release.sh tables|zip|checksums|signatures|token|schemas|manifests DIR
set -euo pipefail
check=$1
dir=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
current=$dir/current
msi=$(ls "$current"/Vireola-*.msi)
zip=$current/$(basename "$msi" .msi)-win32.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip_release() { (cd "$work" && cmake -E tar xf "$zip"); }

# the rows of a table of the package, tab-separated, without the header
# (msiinfo writes a table's streams into a folder where it runs)
rows() { (cd "$work" && msiinfo export "$msi" "$1") | tail -n +4 | tr -d '\r'; }
# whether a row of the table meets the awk condition (v: a value for it)
has() { rows "$1" | awk -F'\t' -v v="${3:-}" "$2 { found = 1 } END { exit !found }"; }
# an action's number in a sequence (the execute sequence unless named), 0 if absent
sequence() { rows "${2:-InstallExecuteSequence}" | awk -F'\t' -v a="$1" '$1 == a { n = $3 } END { print n + 0 }'; }
fail() { echo "$*"; status=1; }
# whether every value of each jq path, read from stdin ("type pattern path" a
# line, - for any pattern), is of that JSON type and matches the pattern, and
# there is at least one, in $work/NAME.json
fields() {
    local type pattern path
    while read -r type pattern path; do
        [ -n "$type" ] || continue
        jq -e --arg type "$type" --arg pattern "$pattern" \
            "[$path] | length > 0 and all(.[]; type == \$type and (\$pattern == \"-\" or test(\$pattern)))" \
            "$work/$1.json" >/dev/null || fail "$1: $path is not a $type of the form $pattern"
    done
}
# the manifests as JSON in $work: Morvane.Vireola*.json (Debian's yq, jq over
# YAML, reads each YAML file with the types YAML gives its values), scoop.json
read_manifests() {
    local winget=$current/winget/Morvane.Vireola file
    for file in "$winget.yaml" "$winget.installer.yaml" "$winget.locale.en-US.yaml"; do
        /usr/bin/yq . "$file" >"$work/$(basename "$file" .yaml).json"
    done
    jq . "$current/scoop/vireola.json" >"$work/scoop.json"
}
# The schemas a manifest in JSON must be valid under, "SCHEMA VERSION" a line:
# a file named scoop.json Scoop's, as it is (-); a winget manifest winget's
# of its type at the version it declares, and at the newest version kept
# (winget reads a manifest by its ManifestVersion, which no schema pins: the
# newest is tried with only that version changed).
schemas=$root/tests/package/schemas
newest=$(find "$schemas" -name 'installer.*.json' | sed 's/.*installer\.\(.*\)\.json$/\1/' | sort -V | tail -n 1)
schemas_for() {
    local type
    if [ "$(basename "$1")" = scoop.json ]; then
        echo "$schemas/scoop.json -"
        return
    fi
    type=$(jq -r .ManifestType "$1")
    echo "$schemas/$type.$(jq -r .ManifestVersion "$1").json -"
    echo "$schemas/$type.$newest.json $newest"
}
# whether the manifest is valid under the schema, at the version given (-:
# as it is), by Debian's python3-jsonschema (not whichever python3 comes first
# on the path); else its errors, each with its place
valid_under() {
    local schema=$1 version=$2 manifest=$3 instance=$3
    [ -f "$schema" ] || { echo "no schema $schema"; return 1; }
    if [ "$version" != - ]; then
        instance=$work/as-$version.json
        jq --arg version "$version" '.ManifestVersion = $version' "$manifest" >"$instance"
    fi
    /usr/bin/jsonschema --instance "$instance" "$schema" \
        --error-format "$(basename "$manifest") under $(basename "$schema") {error.json_path}: {error.message}"$'\n'
}
# whether the file's signature verifies against the throwaway certificate
verify() {
    osslsigncode verify -CAfile "$dir/cert/cert.pem" -in "$1" >"$work/verify.log" 2>&1 \
        || { cat "$work/verify.log"; return 1; }
}
status=0

case $check in
tables)
    # Component: Component ComponentId Directory_ Attributes Condition KeyPath
    # Registry: Registry Root(1: HKCU) Key Name Value Component_
    while IFS='|' read -r component attributes keypath; do
        (( attributes & 4 )) && has Registry '$1 == v && $2 == 1' "$keypath" \
            || fail "$component: its key path is not a registry value under HKCU"
    done < <(rows Component | awk -F'\t' '{ print $1 "|" $4 "|" $6 }')
    # Directory: Directory Directory_Parent DefaultDir
    # RemoveFile: FileKey Component_ FileName DirProperty InstallMode; no FileName: the folder
    for directory in $(rows Directory | cut -f1); do
        case $directory in TARGETDIR | LocalAppDataFolder | ProgramMenuFolder) continue ;; esac
        has RemoveFile '$3 == "" && $4 == v' "$directory" || fail "$directory: no RemoveFolder"
    done
    (( $(sequence LaunchConditions) < $(sequence EndRunningCopy) && $(sequence EndRunningCopy) < $(sequence InstallValidate) )) \
        || fail "EndRunningCopy is not between LaunchConditions and InstallValidate"
    (( $(sequence InstallFinalize) < $(sequence StartVireola) )) || fail "StartVireola is not after InstallFinalize"
    # the full interface resolves the folders in its own sequence, first
    for table in InstallUISequence InstallExecuteSequence; do
        (( $(sequence AppSearch $table) < $(sequence UseRememberedInstallDir $table)
           && $(sequence UseRememberedInstallDir $table) < $(sequence CostFinalize $table) )) \
            || fail "$table: the remembered INSTALLDIR is not read between AppSearch and CostFinalize"
    done
    has Component '$1 == "RunAtLogon" && $5 == v' 'AUTOSTART = "1"' || fail "RunAtLogon: not only with AUTOSTART=1"
    has Property '$1 == "SecureCustomProperties" && (";" $2 ";") ~ /;AUTOSTART;/' || fail "AUTOSTART: not a secure property"
    icon=$(rows Property | awk -F'\t' '$1 == "ARPPRODUCTICON" { print $2 }')
    has Icon '$1 == v' "$icon" || fail "Apps & features: no icon"
    has LaunchCondition '$1 == "NOT WIX_DOWNGRADE_DETECTED" && $2 ~ /^A newer version of Vireola is already installed/' \
        || fail "a downgrade: no message"
    # Wine's installer shows no launch condition's message, nor a deployment
    # by the system account (PackageTest evaluates the condition for it)
    has LaunchCondition '$1 ~ /ALLUSERS/ && $1 ~ /UserSID/ && $2 ~ /^Vireola installs for one user only/' \
        || fail "a per-machine installation: no message"
    # Upgrade: UpgradeCode VersionMin VersionMax Language Attributes Remove ActionProperty
    version=$(rows Property | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
    upgrade=$(rows Upgrade | awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" && $3 == v { print $5 }' v="$version")
    (( ${upgrade:-0} & 0x200 )) || fail "a package of the same version does not replace the installed one"
    downgrade=$(rows Upgrade | awk -F'\t' '$7 == "WIX_DOWNGRADE_DETECTED" && $2 == v { print $5 }' v="$version")
    if (( ${downgrade:-0x100} & 0x100 )); then fail "a package of the same version is refused as a downgrade"; fi
    # CustomAction: Action Type Source Target
    while read -r action type; do
        if (( type & 0x800 )); then fail "$action: runs without impersonation (0x800)"; fi
    done < <(rows CustomAction | cut -f1,2)
    ;;
zip)
    unzip_release
    diff <(cmake -E tar tf "$zip" | sort) <(printf '%s\n' README.txt Vireola.exe)
    sed 's/$/\r/' "$root/packaging/README.txt" | cmp - "$work/README.txt"
    ;;
checksums)
    diff <(awk '{ print $2 }' "$current/SHA256SUMS") <(basename -a "$msi" "$zip")
    (cd "$current" && sha256sum --check --strict SHA256SUMS)
    ;;
signatures)
    unzip_release
    verify "$msi"
    verify "$work/Vireola.exe"
    msiextract -C "$work/msi" "$msi" >/dev/null
    cmp "$work/Vireola.exe" "$work/msi/Programs/Vireola/Vireola.exe"
    for file in "$dir"/previous/Vireola-*.msi; do
        verify "$file" >/dev/null && fail "signed, though built without a certificate: $file"
    done
    ;;
token)
    export SOFTHSM2_CONF=$work/softhsm2.conf
    mkdir "$work/tokens"
    echo "directories.tokendir = $work/tokens" >"$SOFTHSM2_CONF"
    module=/usr/lib/softhsm/libsofthsm2.so
    softhsm2-util --init-token --free --label vireola --pin 1234 --so-pin 5678 >/dev/null
    openssl pkcs8 -topk8 -nocrypt -in "$dir/cert/key.pem" -outform DER -out "$work/key.der"
    pkcs11-tool --module "$module" --token-label vireola --login --pin 1234 \
        --write-object "$work/key.der" --type privkey --id 01 --label signing >/dev/null
    (cd "$work" && cmake -E tar xf "$(ls "$dir"/previous/Vireola-*-win32.zip)" Vireola.exe)
    VIREOLA_SIGN_PKCS11_MODULE=$module VIREOLA_SIGN_PKCS11_KEY="pkcs11:token=vireola;object=signing;type=private" \
        VIREOLA_SIGN_CERT=$dir/cert/cert.pem VIREOLA_SIGN_PASSWORD=1234 bash "$root/scripts/sign.sh" "$work/Vireola.exe"
    verify "$work/Vireola.exe"
    ;;
schemas)
    read_manifests
    for manifest in Morvane.Vireola Morvane.Vireola.installer Morvane.Vireola.locale.en-US scoop; do
        while read -r schema version; do
            valid_under "$schema" "$version" "$work/$manifest.json" || fail "$manifest: not valid under $schema"
        done < <(schemas_for "$work/$manifest.json")
    done
    # Broken on purpose, each way a schema must catch (a required field
    # missing, a value of the wrong type or form), a manifest is refused under
    # every schema it is checked against: "manifest jq-edit" a line.
    mkdir "$work/broken"
    refusals=0
    while read -r manifest edit; do
        broken=$work/broken/$manifest.json
        jq "$edit" "$work/$manifest.json" >"$broken"
        while read -r schema version; do
            if valid_under "$schema" "$version" "$broken" >/dev/null 2>&1; then
                fail "$manifest with $edit: valid under $schema"
            else
                refusals=$((refusals + 1))
            fi
        done < <(schemas_for "$broken")
    done <<'EOF'
Morvane.Vireola del(.PackageVersion)
Morvane.Vireola .DefaultLocale = 1033
Morvane.Vireola.installer del(.Installers[0].InstallerSha256)
Morvane.Vireola.installer .Installers[0].InstallerSha256 = 5
Morvane.Vireola.installer .Installers[1].Architecture = "x86-32"
Morvane.Vireola.locale.en-US del(.ShortDescription)
Morvane.Vireola.locale.en-US .Moniker = ["vireola"]
scoop del(.version)
scoop .shortcuts = "Vireola.exe"
EOF
    echo "winget's manifests of version $(jq -r .ManifestVersion "$work/Morvane.Vireola.json") checked under" \
        "that version's schemas and $newest's, Scoop's under its schema; $refusals refusals of broken ones"
    ;;
manifests)
    version=$(basename "$msi" .msi)
    version=${version#Vireola-}
    read_manifests

    # What this package needs of them that the schemas leave free or out
    # (the installer for the user, the portable program with its command,
    # the shortcut that opens the settings dialog): "type pattern path" a
    # line, - for any form; every path gives at least one value.
    fields Morvane.Vireola.installer <<<'
        string ^(msi|zip)$ .Installers[].InstallerType
        string ^user$ .Installers[]|select(.InstallerType=="msi").Scope
        string ^(install|uninstallPrevious)$ .Installers[]|select(.InstallerType=="msi").UpgradeBehavior
        string ^INSTALLDIR=.*<INSTALLPATH> .Installers[]|select(.InstallerType=="msi").InstallerSwitches.InstallLocation
        string ^portable$ .Installers[]|select(.InstallerType=="zip").NestedInstallerType
        string ^vireola$ .Installers[]|select(.InstallerType=="zip").NestedInstallerFiles[].PortableCommandAlias'
    fields Morvane.Vireola.locale.en-US <<<'
        string ^vireola$ .Moniker'
    fields scoop <<<'
        string ^.+$ .description
        string ^Vireola\.exe,Vireola,/f$ .shortcuts[]|join(",")'

    # one package, of the release's version, in all four files
    for manifest in Morvane.Vireola Morvane.Vireola.installer Morvane.Vireola.locale.en-US; do
        [ "$(jq -r '.PackageIdentifier + " " + .PackageVersion' "$work/$manifest.json")" = "Morvane.Vireola $version" ] \
            || fail "$manifest: not Morvane.Vireola $version"
    done
    [ "$(jq -r .version "$work/scoop.json")" = "$version" ] || fail "scoop: not version $version"
    [ "$(jq -r .DefaultLocale "$work/Morvane.Vireola.json")" = "$(jq -r .PackageLocale "$work/Morvane.Vireola.locale.en-US.json")" ] \
        || fail "winget: the default locale has no manifest"
    # the package's own codes, name and version, as Apps & features shows them
    property() { rows Property | awk -F'\t' -v p="$1" '$1 == p { print $2 }'; }
    expected=$(printf '%s\n' "$(property ProductCode)" "$(property ProductCode)" "$(property UpgradeCode)" \
        "$(property ProductName)" "$(property ProductVersion)")
    [ "$(jq -r '.Installers[] | select(.InstallerType == "msi") | .ProductCode, (.AppsAndFeaturesEntries[]
        | .ProductCode, .UpgradeCode, .DisplayName, .DisplayVersion)' "$work/Morvane.Vireola.installer.json")" = "$expected" ] \
        || fail "winget: the product code, upgrade code, name or version is not the package's"
    # each address names the file of its kind, and its hash is that file's
    while read -r kind url hash; do
        file=$current/${url##*/}
        case $kind in msi) [ "$file" = "$msi" ] ;; *) [ "$file" = "$zip" ] ;; esac || fail "$kind: $url is not the release's $kind"
        [ -f "$file" ] && [ "$(sha256sum "$file" | cut -d' ' -f1)" = "$(tr A-F a-f <<<"${hash#sha256:}")" ] \
            || fail "$kind: $hash is not the hash of $url"
    done < <(jq -r '.Installers[] | "\(.InstallerType) \(.InstallerUrl) \(.InstallerSha256)"' "$work/Morvane.Vireola.installer.json"
             jq -r '"zip \(.url) \(.hash)"' "$work/scoop.json")
    ;;
*)
    echo "usage: $0 tables|zip|checksums|signatures|token|schemas|manifests DIR" >&2
    exit 2
    ;;
esac
exit $status
