#!/usr/bin/env bash
# Runs a command with image/x-blp in the user's MIME database (a temporary XDG_DATA_HOME):
# gdk-pixbuf picks a loader by the MIME type GIO sniffs, so without the type no loader is asked.
# Usage: with_blp_mime.sh MIME_XML COMMAND [ARGS...]
set -euo pipefail
xml=$1
shift
command -v update-mime-database >/dev/null ||
  { echo "FAIL: update-mime-database is missing (scripts/deps.sh installs shared-mime-info)"; exit 1; }
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
mkdir -p "$data/mime/packages"
cp "$xml" "$data/mime/packages/"
update-mime-database "$data/mime" >/dev/null 2>&1
XDG_DATA_HOME=$data "$@"
