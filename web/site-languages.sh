#!/usr/bin/env bash
# site-languages.sh OUTPUT PO-FOLDER LANGUAGE...: writes OUTPUT, the page's list
# of languages (locale/languages.json): English, then each language with the
# name its catalogue gives it in itself ("Deutsch"), read with gettext's tools.
set -euo pipefail
out=$1 po=$2
shift 2
entries=('{"code": "en", "name": "English"}')
for language in "$@"; do
  mapfile -d '' texts < <(msggrep --msgctxt --regexp='^the name of the language, in the language itself$' \
                            "$po/$language.po" | msgexec 0)
  name=${texts[1]:-$language}  # after the header
  name=${name//\\/\\\\}
  entries+=("{\"code\": \"$language\", \"name\": \"${name//\"/\\\"}\"}")
done
{
  echo '['
  for i in "${!entries[@]}"; do
    printf '  %s%s\n' "${entries[$i]}" "$([ "$i" -lt $((${#entries[@]} - 1)) ] && echo ,)"
  done
  echo ']'
} >"$out.new"
# Rewritten only when it changes, so that the site's list of files stays as it was.
if cmp -s "$out.new" "$out"; then rm "$out.new"; else mv "$out.new" "$out"; fi
