# The translation catalogue's template, made from the sources: sourced by
# scripts/update-po.sh and scripts/check-po.sh from the checkout.
#
# Every string of a text-only catalogue file (K5_PO_ALL_CXX, K5_PO_ALL_JS) is a
# text, except those po/not-translated.pot lists (names, numbers, patterns);
# elsewhere N_, NC_, NP_, Tr and TrC mark them (engine/translation.h).
K5_PO_TEMPLATE=po/k5-iap-tool.pot
K5_PO_ALL_CXX=(app/window_texts.h)
K5_PO_ALL_JS=(web/site/page-texts.js)

# The C++ files where texts are marked: the layers whose texts the windows and the page show.
k5_po_marked_files() {
  find engine app web platform serial -name '*.cpp' -o -name '*.h' | LC_ALL=C sort |
    grep -v -x -F "$(printf '%s\n' "${K5_PO_ALL_CXX[@]}")"
}

# The languages of po/LINGUAS, one a line.
k5_po_languages() {
  sed -e 's/#.*//' po/LINGUAS | tr -s ' \t' '\n' | sed '/^$/d'
}

# k5_po_template FILE: writes the template made from the sources now to FILE.
k5_po_template() {
  local out=$1 parts
  parts=$(mktemp -d)
  # The comments just above a text go with it, for the translators (what %1 is, where it shows).
  local common=(--from-code=UTF-8 --add-location=file --add-comments --no-wrap --force-po
                --package-name="K5 IAP Tool" --copyright-holder="the K5 IAP Tool authors")
  xgettext "${common[@]}" -L C++ --extract-all -x po/not-translated.pot -o "$parts/all-cxx.pot" "${K5_PO_ALL_CXX[@]}"
  xgettext "${common[@]}" -L JavaScript --extract-all -x po/not-translated.pot -o "$parts/all-js.pot" "${K5_PO_ALL_JS[@]}"
  # shellcheck disable=SC2046
  xgettext "${common[@]}" -L C++ -k -kN_ -kNC_:1c,2 -kNP_:1,2 -kTr -kTrC:1c,2 -o "$parts/marked.pot" $(k5_po_marked_files)
  msgcat --use-first --add-location=file --no-wrap -o "$out" "$parts/all-cxx.pot" "$parts/all-js.pot" "$parts/marked.pot"
  rm -rf "$parts"
}

# k5_po_same A B: whether two templates hold the same, their creation dates aside.
k5_po_same() {
  cmp -s <(grep -v '^"POT-Creation-Date:' "$1") <(grep -v '^"POT-Creation-Date:' "$2")
}
