#!/usr/bin/env bash
# Compares each program's --help with its manual page: every option that --help shows appears in
# the page, and every option the page describes appears in --help (`zelctl COMMAND --help` counts
# for zelctl). --help and -h themselves need not be listed by the text that answers them.
#
#   scripts/check-manpages.sh BIN_DIR [MAN_DIR]        (MAN_DIR: docs/man by default)
#
# An option is a word that starts with one or two hyphens and a letter (--site, -q, -platform).
# The page's EXAMPLES, FILES and SEE ALSO are left out (other programs' options stand there). The
# programs run without a display. Exit status 0 when every page matches, 1 otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:?usage: scripts/check-manpages.sh BIN_DIR [MAN_DIR]}
man=${2:-$root/docs/man}

# The options named in the text on standard input, one a line, sorted.
options() {
  { grep -oE '(^|[^A-Za-z0-9_./-])--?[A-Za-z][A-Za-z0-9-]*' || true; } | sed -E 's/^[^-]*//' | sort -u
}

# The page's text with the roff escapes that matter here undone, without EXAMPLES, FILES and SEE ALSO.
page_text() {
  sed -E -e 's/\\f(\[[^]]*\]|\(..|.)//g' -e 's/\\-/-/g' -e 's/\\%//g' -e 's/\\&//g' "$1" |
    awk '/^\.SH/ { skip = ($0 ~ /EXAMPLES|FILES|SEE ALSO/) } !skip'
}

# What the program answers to --help, and for zelctl also every command's own --help.
help_text() {
  local program=$1
  run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1; }
  run "$bin/$program" --help
  if [ "$program" = zelctl ]; then
    run "$bin/zelctl" --help | sed -n 's/^  zelctl \([a-z]*\)\( [a-z]*\)\{0,1\}.*/\1\2/p' |
      while read -r words; do
        # shellcheck disable=SC2086 # the command's words stay separate
        run "$bin/zelctl" $words --help
      done
  fi
}

failures=0
pages=0
for page in "$man"/*.1; do
  program=$(basename "$page" .1)
  if [ ! -x "$bin/$program" ]; then
    echo "check-manpages: $program is not built in $bin" >&2
    failures=$((failures + 1))
    continue
  fi
  pages=$((pages + 1))
  if ! help=$(help_text "$program"); then
    echo "check-manpages: $program --help failed: $help" >&2
    failures=$((failures + 1))
    continue
  fi
  in_help=$(options <<<"$help")
  in_page=$(page_text "$page" | options)
  only_help=$(comm -23 <(echo "$in_help") <(echo "$in_page") | paste -sd ' ')
  only_page=$(comm -13 <(echo "$in_help") <(echo "$in_page") | grep -vxE -- '--help|-h' | paste -sd ' ' || true)
  if [ -n "$only_help" ]; then
    echo "check-manpages: $program --help shows options that $(basename "$page") lacks: $only_help" >&2
    failures=$((failures + 1))
  fi
  if [ -n "$only_page" ]; then
    echo "check-manpages: $(basename "$page") describes options that $program --help lacks: $only_page" >&2
    failures=$((failures + 1))
  fi
done
if [ "$failures" -gt 0 ]; then
  exit 1
fi
echo "check-manpages: $pages manual pages match their programs' --help"
