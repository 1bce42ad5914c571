// The language the desktop program's windows speak, chosen as it starts: the
// one the settings file names ([Ui] Language), else the first of the system's
// preferred languages that the program has, else English. A choice made in the
// Language menu is stored there and holds from the next start.
#pragma once

#include <string>
#include <vector>

#include "settings_file.h"

namespace k5::app {

struct LanguageOffer {
    std::string language;  // "" for English, "de", "zh_CN"
    std::string name;      // in the language itself: "English", "Deutsch", "中文（简体）"
};

// English, then each language built in (not the pseudo-language, which only the settings file names).
std::vector<LanguageOffer> OfferedLanguages();

// Uses `language` ("" or "en": English, "pseudo", one of OfferedLanguages()); false, and
// English, when the program does not have it.
bool UseLanguage(const std::string& language);

// Uses the language `settings` names, or the system's (`systemPreferred`, its UI languages in
// order: "de-DE", "zh-Hans-CN"); returns the one used ("" for English).
std::string UseLanguageFor(const SettingsFile& settings, const std::vector<std::string>& systemPreferred);

}  // namespace k5::app
