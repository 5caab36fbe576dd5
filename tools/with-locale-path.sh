#!/usr/bin/env bash
# with-locale-path.sh - runs a command with LOCPATH naming a freshly compiled de_DE.UTF-8 locale.
#
#   tools/with-locale-path.sh COMMAND [ARGS...]
#
# Exits 77 (a skip for CTest) where localedef cannot compile the locale (no
# `locales` package); otherwise with the command's own status.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/kaz-locale.XXXXXX")
trap 'rm -rf "$dir"' EXIT
if ! localedef -i de_DE -f UTF-8 "$dir/de_DE.UTF-8" 2>/dev/null; then
  echo "with-locale-path: localedef cannot compile de_DE.UTF-8 here: skipped"
  exit 77
fi
LOCPATH=$dir "$@"
