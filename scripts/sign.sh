#!/usr/bin/env bash
# Signs Windows files in place with osslsigncode (Authenticode, SHA-256), with
# the certificate that the environment names. With none named it signs
# nothing and says so: the release is then unsigned.
#   VIREOLA_SIGN_PKCS12          a PKCS#12 file (.pfx, .p12) holding key and certificate
#   VIREOLA_SIGN_PKCS11_MODULE   or a token: its PKCS#11 module (.so),
#   VIREOLA_SIGN_PKCS11_KEY      the key on it (a pkcs11: URI or key id),
#   VIREOLA_SIGN_CERT            the certificate file (PEM or DER) of that key,
#   VIREOLA_SIGN_PKCS11_ENGINE   and the OpenSSL engine, if not osslsigncode's own choice
#   VIREOLA_SIGN_PASSWORD        the PKCS#12 file's password or the token's PIN
#   VIREOLA_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamping service, so that the
#                                signature outlives the certificate (optional)
# usage: sign.sh FILE...
set -euo pipefail

if [ -n "${VIREOLA_SIGN_PKCS12:-}" ]; then
    signer=(-pkcs12 "$VIREOLA_SIGN_PKCS12")
elif [ -n "${VIREOLA_SIGN_PKCS11_MODULE:-}" ]; then
    : "${VIREOLA_SIGN_PKCS11_KEY:?name the key on the token}" "${VIREOLA_SIGN_CERT:?name the certificate of that key}"
    signer=(-pkcs11module "$VIREOLA_SIGN_PKCS11_MODULE" -key "$VIREOLA_SIGN_PKCS11_KEY" -certs "$VIREOLA_SIGN_CERT")
    [ -n "${VIREOLA_SIGN_PKCS11_ENGINE:-}" ] && signer+=(-pkcs11engine "$VIREOLA_SIGN_PKCS11_ENGINE")
else
    echo "not signed (no certificate named): $*"
    exit 0
fi
[ -n "${VIREOLA_SIGN_TIMESTAMP_URL:-}" ] && signer+=(-ts "$VIREOLA_SIGN_TIMESTAMP_URL")

for file in "$@"; do
    # the password goes through a pipe, never on a command line
    osslsigncode sign "${signer[@]}" -readpass <(printf '%s' "${VIREOLA_SIGN_PASSWORD:-}") \
        -h sha256 -n Vireola -in "$file" -out "$file.signed" >/dev/null
    mv "$file.signed" "$file"
    echo "signed: $file"
done
