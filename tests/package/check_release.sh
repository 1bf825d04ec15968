#!/usr/bin/env bash
# Checks the release files that make_packages.sh built in DIR, on this side:
#   tables       the package keeps the per-user rules that wixl does not check
#                (ICE38: every component's key path an HKCU value; ICE64: a
#                RemoveFolder for every folder it makes) and what wixl may
#                get wrong: the order of the custom actions, the Run value's
#                condition, the downgrade message, the Apps & features icon
#   zip          the zip holds Vireola.exe and README.txt (CR LF) and nothing else
#   checksums    SHA256SUMS names the package and the zip, and their sums hold
#   signatures   the program and the package verify against the throwaway
#                certificate, the package carries the same program as the
#                zip, and the older, unsigned release carries no signature
#   token        scripts/sign.sh signs from a PKCS#11 token as well: the
#                throwaway key on a SoftHSM token signs the older program
# usage: check_release.sh tables|zip|checksums|signatures|token DIR
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
sequence() { rows InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { n = $3 } END { print n + 0 }'; }
fail() { echo "$*"; status=1; }
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
    has Component '$1 == "RunAtLogon" && $5 == v' 'AUTOSTART = "1"' || fail "RunAtLogon: not only with AUTOSTART=1"
    has Property '$1 == "SecureCustomProperties" && (";" $2 ";") ~ /;AUTOSTART;/' || fail "AUTOSTART: not a secure property"
    icon=$(rows Property | awk -F'\t' '$1 == "ARPPRODUCTICON" { print $2 }')
    has Icon '$1 == v' "$icon" || fail "Apps & features: no icon"
    has LaunchCondition '$1 == "NOT WIX_DOWNGRADE_DETECTED" && $2 ~ /^A newer version of Vireola is already installed/' \
        || fail "a downgrade: no message"
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
*)
    echo "usage: $0 tables|zip|checksums|signatures|token DIR" >&2
    exit 2
    ;;
esac
exit $status
