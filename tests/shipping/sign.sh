#!/usr/bin/env bash
# scripts/sign on the built qz.exe and vorta.dll of both builds, with a
# throwaway certificate authority, code-signing certificate and time-stamp
# authority (on loopback) made here: both signatures verify against that
# authority, SHA-1 first and SHA-256 nested, each time-stamped when asked;
# removing them gives back the built bytes; one changed byte fails the
# verification; a wrong password, a certificate not for code signing, an
# expired one, a signed file: each ends with its message and every file as
# it was; the password is in no process's arguments and no output.
#
# Usage: tests/shipping/sign.sh   (after scripts/build)
# Ends with "N passed, M failed".
set -uo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$QZ_ROOT/tests/static/checks.sh"
cd "$QZ_ROOT" || exit 1
unset QZ_SIGN_PASSWORD

work=$(mktemp -d)
tsa_pid=
cleanup() {
    [ -z "$tsa_pid" ] || { kill "$tsa_pid" 2>/dev/null; wait "$tsa_pid" 2>/dev/null; }
    rm -rf "$work"
}
trap cleanup EXIT
for build in win32 win64; do
    for name in qz.exe vorta.dll; do
        [ -f "dist/$build/$name" ] || { echo "sign: no dist/$build/$name: run scripts/build first"; echo "0 passed, 1 failed"; exit 1; }
    done
done

# ---- a certificate authority and what it issues
pki=$work/pki
mkdir -p "$pki"
password='s3cret pass phrase'
printf '%s\n' "$password" >"$pki/password"
printf '%s\n' 'not the password' >"$pki/wrong-password"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/ca.key" -out "$pki/ca.pem" -days 30 \
    -subj "/CN=QZ Test Root" -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null || { echo "cannot make the authority"; exit 1; }
# issue NAME EXTENSIONS [CLOCK]: a key, and a certificate for it from the
# authority with those extensions, made at CLOCK's time (faketime's offset,
# e.g. -400d) for 10 days; then NAME.pfx with the password.
issue() {
    local name=$1 extensions=$2 clock=${3:-+0d}
    printf '%b\n' "$extensions" >"$pki/$name.ext"
    openssl req -newkey rsa:2048 -nodes -keyout "$pki/$name.key" -out "$pki/$name.csr" \
        -subj "/CN=QZ Test $name" 2>/dev/null &&
        faketime -f "$clock" openssl x509 -req -in "$pki/$name.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
            -CAcreateserial -days 10 -extfile "$pki/$name.ext" -out "$pki/$name.pem" 2>/dev/null &&
        openssl pkcs12 -export -inkey "$pki/$name.key" -in "$pki/$name.pem" -certfile "$pki/ca.pem" \
            -passout "file:$pki/password" -out "$pki/$name.pfx"
}
issue signer 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature' &&
    issue server 'extendedKeyUsage=serverAuth\nkeyUsage=critical,digitalSignature' &&
    issue expired 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature' -400d &&
    issue usage-only 'extendedKeyUsage=codeSigning' &&
    issue encipher 'extendedKeyUsage=codeSigning\nkeyUsage=critical,keyEncipherment' &&
    issue tsa 'extendedKeyUsage=critical,timeStamping\nkeyUsage=critical,digitalSignature' ||
    { echo "cannot issue the certificates"; exit 1; }

# ---- the time-stamp authority on loopback
cat >"$pki/tsa.cnf" <<EOF
[ tsa ]
default_tsa = qz_tsa
[ qz_tsa ]
serial = $pki/tsa-serial
signer_cert = $pki/tsa.pem
certs = $pki/ca.pem
signer_key = $pki/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha1, sha256
accuracy = secs:1
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
echo 01 >"$pki/tsa-serial"
python3 tests/shipping/tsa_server.py --config "$pki/tsa.cnf" --requests 8 >"$work/tsa.log" 2>&1 &
tsa_pid=$!
for _ in $(seq 100); do
    tsa_port=$(sed -nE 's/^listening on 127\.0\.0\.1:([0-9]+)$/\1/p' "$work/tsa.log")
    [ -n "$tsa_port" ] && break
    sleep 0.1
done
check "the time-stamp authority listens on loopback" [ -n "$tsa_port" ]

# ---- signing both builds' files, with the password from a file
signed=$work/signed
mkdir -p "$signed/win32" "$signed/win64"
for build in win32 win64; do cp "dist/$build/qz.exe" "dist/$build/vorta.dll" "$signed/$build/"; done
# Every process's arguments while signing, to find the password in none.
watch_arguments() {
    while :; do cat /proc/[0-9]*/cmdline 2>/dev/null | tr '\0' ' '; echo; sleep 0.02; done
}
watch_arguments >"$work/arguments" 2>/dev/null &
watcher=$!
scripts/sign --pfx "$pki/signer.pfx" --password-file "$pki/password" --timestamp "http://127.0.0.1:$tsa_port/" \
    "$signed/win32/qz.exe" "$signed/win32/vorta.dll" >"$work/sign.log" 2>&1
sign_status=$?
QZ_SIGN_PASSWORD=$password scripts/sign --pfx "$pki/signer.pfx" \
    "$signed/win64/qz.exe" "$signed/win64/vorta.dll" >>"$work/sign.log" 2>&1
env_status=$?
kill "$watcher"; wait "$watcher" 2>/dev/null
cat "$work/sign.log"
check "scripts/sign signs with the password from a file and a time stamp" [ "$sign_status" -eq 0 ]
check "scripts/sign signs with the password from QZ_SIGN_PASSWORD" [ "$env_status" -eq 0 ]
check "the password is in no process's arguments while signing" [ "$(grep -c "$password" "$work/arguments")" -eq 0 ]
check "the password is in no output" [ "$(grep -c "$password" "$work/sign.log")" -eq 0 ]

for build in win32 win64; do
    for name in qz.exe vorta.dll; do
        file=$signed/$build/$name
        what="$build/$name"
        verified=$(osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$file" 2>&1)
        status=$?
        echo "$verified" | grep -E 'Signature Index|Message digest algorithm  :|Subject: /CN=QZ Test signer|Timestamp|verification:|Number of verified' | sed "s|^|  $what: |"
        check "$what: both signatures verify against the test authority" [ "$status" -eq 0 ]
        check "$what: two verified signatures" grep -q '^Number of verified signatures: 2$' <<<"$verified"
        check "$what: SHA-1 first, SHA-256 nested in it" \
            [ "$(grep -E '^Message digest algorithm  :' <<<"$verified" | awk '{print $NF}' | tr '\n' ' ')" = 'SHA1 SHA256 ' ]
        if [ "$build" = win32 ]; then
            check "$what: each signature carries an RFC 3161 time stamp of the test authority" \
                [ "$(grep -c '^Timestamp Server Signature verification: ok' <<<"$verified")" -eq 2 ]
        else
            check "$what: no time stamp when none was asked" [ "$(grep -c '^Timestamp is not available' <<<"$verified")" -eq 2 ]
        fi
        osslsigncode remove-signature -in "$file" -out "$work/unsigned" >/dev/null 2>&1
        check "$what: without its signatures it is the built file, byte for byte" cmp -s "$work/unsigned" "dist/$build/$name"
        cp "$file" "$work/changed"
        # One byte of the first section, past the headers, turned over.
        byte=$(od -An -tu1 -j1100 -N1 "$file" | tr -d ' ')
        printf "$(printf '\\%03o' $((byte ^ 0xFF)))" | dd of="$work/changed" bs=1 seek=1100 conv=notrunc status=none
        check "$what: the changed copy differs in one byte" [ "$(cmp -l "$file" "$work/changed" | wc -l)" -eq 1 ]
        check "$what: one changed byte fails the verification" \
            bash -c '! osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1' _ "$pki/ca.pem" "$work/changed"
        rm -f "$work/unsigned" "$work/changed"
    done
done
# A certificate with the Code Signing usage and no key usage at all may sign.
cp dist/win32/vorta.dll "$work/usage-only.dll"
check "a certificate with no key usage, only Code Signing, signs" \
    scripts/sign --pfx "$pki/usage-only.pfx" --password-file "$pki/password" "$work/usage-only.dll"
check "its signatures verify" bash -c 'osslsigncode verify -CAfile "$1" -in "$2" >/dev/null 2>&1' _ "$pki/ca.pem" "$work/usage-only.dll"
check "the signed launcher's header checksum is right (the program runs from the swap file on a disc)" \
    python3 tests/static/pe_checksum.py "$signed/win32/qz.exe"

# ---- refusals: the message, and every file as it was
refused() {  # what expected-message sign-arguments...
    local what=$1 message=$2 output status file
    shift 2
    rm -rf "$work/refused"
    mkdir -p "$work/refused"
    cp dist/win32/qz.exe dist/win32/vorta.dll "$work/refused/"
    cp "$signed/win64/qz.exe" "$work/refused/signed.exe"
    output=$(scripts/sign "$@" 2>&1)
    status=$?
    echo "  $what: $output" | head -n 3
    check "$what: ends with a failure" [ "$status" -eq 1 ]
    check "$what: says '$message'" grep -qF "$message" <<<"$output"
    check "$what: the password is not in the message" [ "$(grep -c "$password" <<<"$output")" -eq 0 ]
    for file in qz.exe vorta.dll; do
        check "$what: $file left as it was" cmp -s "$work/refused/$file" "dist/win32/$file"
    done
    check "$what: the signed file left as it was" cmp -s "$work/refused/signed.exe" "$signed/win64/qz.exe"
    check "$what: no copy left beside the files" [ "$(find "$work/refused" -type f | wc -l)" -eq 3 ]
}
refused "a wrong password" "wrong password for $pki/signer.pfx" \
    --pfx "$pki/signer.pfx" --password-file "$pki/wrong-password" "$work/refused/qz.exe" "$work/refused/vorta.dll"
refused "a certificate for servers" "is not for code signing" \
    --pfx "$pki/server.pfx" --password-file "$pki/password" "$work/refused/qz.exe" "$work/refused/vorta.dll"
refused "an expired certificate" "expired on" \
    --pfx "$pki/expired.pfx" --password-file "$pki/password" "$work/refused/qz.exe" "$work/refused/vorta.dll"
refused "a key usage without digital signatures" "lacks Digital Signature" \
    --pfx "$pki/encipher.pfx" --password-file "$pki/password" "$work/refused/qz.exe" "$work/refused/vorta.dll"
refused "a signed file among unsigned ones" "signed already" \
    --pfx "$pki/signer.pfx" --password-file "$pki/password" "$work/refused/qz.exe" "$work/refused/signed.exe"
refused "a time-stamp authority that does not answer" "no time stamp from http://127.0.0.1:9/" \
    --pfx "$pki/signer.pfx" --password-file "$pki/password" --timestamp http://127.0.0.1:9/ \
    "$work/refused/qz.exe" "$work/refused/vorta.dll"
refused "no password" "no password" --pfx "$pki/signer.pfx" "$work/refused/qz.exe"
refused "not a Windows file" "is not a Windows program or library" \
    --pfx "$pki/signer.pfx" --password-file "$pki/password" "$work/refused/qz.exe" dist/win32/vorta.h

checks_finish
