#!/usr/bin/env bash
# Makes the translation catalogue's template (po/k5-iap-tool.pot) from the
# sources again, and merges it into each language's catalogue (po/<lang>.po of
# po/LINGUAS): a new text comes in untranslated, a changed one marked fuzzy
# (with its earlier English beside it), a text gone stays at the end as obsolete.
# Then translate what scripts/check-po.sh names.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/po.sh

made=$(mktemp)
trap 'rm -f "$made"' EXIT
k5_po_template "$made"
if [ -f "$K5_PO_TEMPLATE" ] && k5_po_same "$made" "$K5_PO_TEMPLATE"; then
  echo "$K5_PO_TEMPLATE: up to date"
else
  cp "$made" "$K5_PO_TEMPLATE"
  echo "$K5_PO_TEMPLATE: $(grep -c '^msgid ' "$K5_PO_TEMPLATE") entries (the header's one included)"
fi
for language in $(k5_po_languages); do
  if [ ! -f "po/$language.po" ]; then
    msginit --no-translator --no-wrap --locale="$language.UTF-8" -i "$K5_PO_TEMPLATE" -o "po/$language.po"
  else
    msgmerge --quiet --update --backup=none --previous --no-wrap "po/$language.po" "$K5_PO_TEMPLATE"
  fi
  echo "po/$language.po: $(msgfmt --statistics -o /dev/null "po/$language.po" 2>&1)"
done
