// The language the windows and the page speak: a gettext catalogue (po/) used
// process-wide, English (no catalogue) until one is chosen. English is the
// identity: every text stays as it is written. What k5-iap and k5-sim print,
// station records and wire traces are never translated: the engine writes
// English, and a front end translates what it shows.
//
// xgettext finds the texts: every string of the text-only catalogue files, and
// elsewhere the first argument of N_ and Tr, the first two of NP_ (a text with
// plural forms), and the second of NC_ and TrC (their first is the context).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text_mark.h"

namespace k5 {

// Uses the .mo catalogue in `bytes` from now on (the bytes must stay for the
// program's life); false, and the language unchanged, when they are not one.
// Choose before windows open: a text already shown keeps its language.
bool UseCatalogue(std::string_view bytes);
void UseEnglish();
// The language of the catalogue in use ("de", "zh_CN", "pseudo"); "" for English.
std::string LanguageInUse();

// `english` in the language in use; `english` itself where the catalogue has no translation.
const char* Tr(const char* english);
// The form `n` takes of a text with plural forms (English's: `singular` for 1).
const char* TrN(const PluralText& text, unsigned long n);
// A text that reads differently in another `context` (also the translators' hint).
const char* TrC(const char* context, const char* english);

// A text the engine made in English (a log line, an error's message, an advice),
// in the language in use: the catalogue's translation of the whole text, or of
// the template that made it ("Line speed: %1 baud"), its %1, %2 ... read back from
// the text and translated too where the catalogue has them. Unchanged where
// neither is there.
std::string TranslateText(std::string_view english);

// Of `available` catalogues ("de", "zh_CN"), the one for a person who prefers the
// languages `preferred` in turn, as systems name them ("de-DE", "zh-Hans-CN",
// "fr_CH.UTF-8", "pt"); "" for English, also when none of them is available.
std::string ChooseLanguage(const std::vector<std::string>& preferred,
                           const std::vector<std::string>& available);

}  // namespace k5
