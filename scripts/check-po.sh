#!/usr/bin/env bash
# Checks the translation catalogues: the template holds every text of the
# sources as they are now, and each language of po/LINGUAS translates every
# text of it (nothing untranslated or fuzzy), compiles with msgfmt --check, and
# keeps each text's placeholders (%1, {name}). Says what to do where it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/po.sh

failed=0
made=$(mktemp)
trap 'rm -f "$made"' EXIT
k5_po_template "$made"
if ! k5_po_same "$made" "$K5_PO_TEMPLATE"; then
  echo "$K5_PO_TEMPLATE is not the template the sources make now: run scripts/update-po.sh. The difference:"
  diff <(grep -v '^"POT-Creation-Date:' "$K5_PO_TEMPLATE") <(grep -v '^"POT-Creation-Date:' "$made") | head -40 || true
  failed=1
fi
for language in $(k5_po_languages); do
  po="po/$language.po"
  if [ ! -f "$po" ]; then
    echo "$po: missing (po/LINGUAS names $language): run scripts/update-po.sh"
    failed=1
    continue
  fi
  # msgfmt --check: the header, the plural forms and the format strings; --statistics says what is left.
  if ! stats=$(LC_ALL=C msgfmt --check --statistics -o /dev/null "$po" 2>&1); then
    echo "$po: $stats"
    failed=1
  elif [[ $stats == *fuzzy* || $stats == *untranslated* ]]; then
    echo "$po: $stats Translate the untranslated and the fuzzy texts (then remove the fuzzy marks)."
    failed=1
  fi
  # Every text of the template is in the catalogue (it is merged with the template as it is now).
  if ! missing=$(msgcmp "$po" "$K5_PO_TEMPLATE" 2>&1); then
    echo "$po does not have every text of the template: run scripts/update-po.sh."
    echo "$missing" | head -10
    failed=1
  fi
  if ! msgexec -i "$po" bash scripts/lib/po-placeholders.sh; then
    failed=1
  fi
done
[ $failed -eq 0 ] && echo "Translations: the template is up to date; $(k5_po_languages | tr '\n' ' ')complete."
exit $failed
