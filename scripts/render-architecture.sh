#!/usr/bin/env bash
# Renders the picture of the layers, docs/architecture.dot, to docs/architecture.svg (Graphviz's
# dot, from scripts/install-deps.sh). The SVG names the SHA-256 of the source it was made from, so
# scripts/check-layout.pl can tell a picture that no longer shows its source. Run it after every
# change of docs/architecture.dot and commit both files.
set -euo pipefail
cd "$(dirname "$0")/.."
source=docs/architecture.dot
picture=docs/architecture.svg
command -v dot >/dev/null || {
  echo "render-architecture.sh: dot is missing; run scripts/install-deps.sh (package graphviz)" >&2
  exit 1
}
hash=$(sha256sum "$source" | cut -d ' ' -f 1)
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
dot -Tsvg "$source" >"$tmp"
# The hash goes right after the XML declaration (an SVG may not start with a comment before it).
sed "1a <!-- source $source sha256 $hash -->" "$tmp" >"$picture"
echo "$picture"
