# shellcheck shell=bash
# Shared by the release tests (sourced).
set -u
test_name=$(basename "$0" .sh)
fail() {
    echo "$test_name: FAIL: $*" >&2
    exit 1
}
note() { echo "$test_name: [${SECONDS}s] $*"; }

# Lays out the sample's files in DEST as a publisher keeps them: each file dated by its entry's stamp (read
# as UTC, the release's default zone), and two names in another case than the catalogue's, which Windows
# would match all the same.
layout_publisher() {
    local sample=$1 dest=$2 stamp relative
    mkdir -p "$dest" && cp -r "$sample/files/." "$dest/" || fail "cannot copy the sample to $dest"
    while IFS=$'\t' read -r stamp relative; do
        touch -d "$stamp UTC" "$dest/$relative" || fail "cannot date $relative"
    done <"$sample/payload.lst"
    mv "$dest/Licence.txt" "$dest/LICENCE.TXT" && mv "$dest/Modèles de document" "$dest/MODÈLES DE DOCUMENT" ||
        fail "cannot rename in $dest"
}
