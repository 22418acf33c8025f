#!/usr/bin/env bash
# Signs Windows files in place (Authenticode, SHA-256) with osslsigncode when KELVANE_SIGN_CERT and
# KELVANE_SIGN_KEY name PEM files; KELVANE_SIGN_TIMESTAMP, when set, is the timestamp server's
# address. Without a certificate it signs nothing and says nothing: make windows says so once.
set -euo pipefail
[ -n "${KELVANE_SIGN_CERT:-}" ] && [ -n "${KELVANE_SIGN_KEY:-}" ] || exit 0
for file in "$@"; do
  signed="$file.signed"
  rm -f "$signed"
  osslsigncode sign -certs "$KELVANE_SIGN_CERT" -key "$KELVANE_SIGN_KEY" -h sha256 \
    -n "Kelvane" ${KELVANE_SIGN_TIMESTAMP:+-ts "$KELVANE_SIGN_TIMESTAMP"} \
    -in "$file" -out "$signed" >/dev/null
  mv "$signed" "$file"
done
