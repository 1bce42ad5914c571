#!/bin/sh
# pseudo-language.sh TEMPLATE OUTPUT.mo: the pseudo-language's catalogue, made
# from the template: its header given a language and English's plural rule,
# each English text copied into its translation (msgen) and lengthened
# (msgfilter with pseudo-language.awk), compiled with msgfmt.
set -e
here=$(dirname "$0")
sed -e '/^"Plural-Forms:/d' \
    -e 's/^"Language: \\n"/"Language: pseudo\\n"/' \
    -e 's/^"PO-Revision-Date: .*/"PO-Revision-Date: 2025-01-01 00:00+0000\\n"/' \
    -e 's/^"Last-Translator: .*/"Last-Translator: the build\\n"/' \
    -e 's/^"Language-Team: .*/"Language-Team: none\\n"/' \
    -e 's/^"Content-Transfer-Encoding: 8bit\\n"/&\n"Plural-Forms: nplurals=2; plural=(n != 1);\\n"/' "$1" |
  msgen - | msgfilter --keep-header awk -f "$here/pseudo-language.awk" |
  msgfmt --use-fuzzy --check -o "$2" -
