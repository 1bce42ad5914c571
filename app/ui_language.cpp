#include "ui_language.h"

#include "built_in_catalogues.h"
#include "mo_catalogue.h"
#include "translation.h"

namespace k5::app {
namespace {

// Each catalogue names its language in that language ("Deutsch") as the translation of this.
constexpr const char* kOwnNameContext = "the name of the language, in the language itself";
constexpr const char* kOwnName = NC_("the name of the language, in the language itself", "English");

std::string OwnName(std::string_view bytes) {
    const auto catalogue = MoCatalogue::Read(bytes);
    const auto name =
        catalogue ? catalogue->Find(std::string(kOwnNameContext) + '\x04' + kOwnName) : std::nullopt;
    return name ? std::string(*name) : std::string();
}

}  // namespace

std::vector<LanguageOffer> OfferedLanguages() {
    std::vector<LanguageOffer> offers{{"", kOwnName}};
    for (const auto& built : BuiltInCatalogues()) {
        if (built.language == "pseudo") continue;
        const std::string name = OwnName(built.bytes);
        offers.push_back({std::string(built.language), name.empty() ? std::string(built.language) : name});
    }
    return offers;
}

bool UseLanguage(const std::string& language) {
    UseEnglish();
    if (language.empty() || language == "en") return true;
    for (const auto& built : BuiltInCatalogues()) {
        if (built.language == language) return UseCatalogue(built.bytes);
    }
    return false;
}

std::string UseLanguageFor(const SettingsFile& settings, const std::vector<std::string>& systemPreferred) {
    if (const std::string stored = settings.GetLanguage(); !stored.empty() && UseLanguage(stored))
        return LanguageInUse();
    std::vector<std::string> available;
    for (const auto& built : BuiltInCatalogues()) {
        if (built.language != "pseudo") available.emplace_back(built.language);
    }
    UseLanguage(ChooseLanguage(systemPreferred, available));
    return LanguageInUse();
}

}  // namespace k5::app
