#include <gtest/gtest.h>

#include <string>

#include "built_in_catalogues.h"
#include "mo_catalogue.h"
#include "plural_rule.h"
#include "transfer_mode.h"
#include "translation.h"

namespace {

const k5::BuiltInCatalogue& Pseudo() {
    for (const auto& catalogue : k5::BuiltInCatalogues()) {
        if (catalogue.language == "pseudo") return catalogue;
    }
    throw std::runtime_error("no pseudo-language");
}

class EnglishAfterwards : public ::testing::Test {
  protected:
    ~EnglishAfterwards() override { k5::UseEnglish(); }
};

TEST(PluralRule, GettextsRulesForOurLanguages) {
    const auto forms = [](const char* header, std::initializer_list<unsigned long> counts) {
        const auto rule = k5::PluralRule::Parse(header);
        std::string chosen;
        for (unsigned long n : counts) chosen += rule ? std::to_string(rule->FormFor(n)) : "?";
        return chosen;
    };
    EXPECT_EQ(forms("nplurals=2; plural=(n != 1);", {0, 1, 2, 21}), "1011");
    EXPECT_EQ(forms("nplurals=2; plural=(n > 1);", {0, 1, 2, 21}), "0011");
    EXPECT_EQ(forms("nplurals=1; plural=0;", {0, 1, 2}), "000");
    EXPECT_EQ(forms("nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
                    {0, 1, 2, 4, 5, 12, 14, 21, 22, 25, 104, 112}),
              "201122221212");
    // Not gettext's grammar, or a form the rule does not have: no rule.
    EXPECT_EQ(forms("nplurals=2; plural=(n != 1;", {1}), "?");
    EXPECT_EQ(forms("nplurals=2; plural=n+1;", {1}), "?");
    EXPECT_EQ(forms("nplurals=2; plural=n % 0;", {1}), "?");
    EXPECT_EQ(forms("plural=(n != 1);", {1}), "?");
}

// Each built-in catalogue reads, says its language and a plural rule, and gives each text with
// plural forms as many forms as its rule has.
TEST(BuiltInCatalogues, EveryOneReadsWithItsLanguageAndPluralRule) {
    ASSERT_GE(k5::BuiltInCatalogues().size(), 2u);
    for (const auto& built : k5::BuiltInCatalogues()) {
        const auto catalogue = k5::MoCatalogue::Read(built.bytes);
        ASSERT_TRUE(catalogue) << built.language;
        EXPECT_EQ(catalogue->HeaderField("Language"), built.language);
        const auto rule = k5::PluralRule::Parse(catalogue->HeaderField("Plural-Forms"));
        ASSERT_TRUE(rule) << built.language << ": " << catalogue->HeaderField("Plural-Forms");
        for (const auto& [original, translation] : catalogue->Entries()) {
            if (translation.find('\0') == std::string_view::npos) continue;
            std::size_t forms = 1;
            for (char c : translation) forms += c == '\0' ? 1 : 0;
            EXPECT_EQ(forms, static_cast<std::size_t>(rule->FormCount()))
                << built.language << ": " << original;
        }
    }
    EXPECT_FALSE(k5::MoCatalogue::Read("not a catalogue"));
    std::string cut(Pseudo().bytes.substr(0, Pseudo().bytes.size() / 2));
    EXPECT_FALSE(k5::MoCatalogue::Read(cut)) << "a string past the end";
}

TEST_F(EnglishAfterwards, EnglishIsTheTextItselfAndAnotherLanguageTranslatesWholeTextsAndTemplates) {
    const char* english = "Read Pack";
    EXPECT_EQ(k5::Tr(english), english);
    EXPECT_EQ(k5::TranslateText("Line speed: 115200 baud"), "Line speed: 115200 baud");
    EXPECT_EQ(k5::LanguageInUse(), "");

    ASSERT_TRUE(k5::UseCatalogue(Pseudo().bytes));
    EXPECT_EQ(k5::LanguageInUse(), "pseudo");
    EXPECT_STREQ(k5::Tr(english), "[Ŕéáð Þáçķ Ŕ]");
    EXPECT_STREQ(k5::Tr("no such text"), "no such text");
    // A text the engine made from a template: its values read back and put in the translation's places.
    const std::string speed = k5::TranslateText(k5::LineSpeedLogLine(115200));
    EXPECT_EQ(speed.rfind("[Ļíñé šþééð: 115200 ƀáüð", 0), 0u) << speed;
    EXPECT_EQ(k5::TranslateText("Nothing we know"), "Nothing we know");
    EXPECT_FALSE(k5::UseCatalogue("not a catalogue"));
    EXPECT_EQ(k5::LanguageInUse(), "pseudo") << "a catalogue that does not read changes nothing";
}

TEST(ChooseLanguage, TheFirstPreferredLanguageThereIsOrEnglish) {
    const std::vector<std::string> available{"de", "fr", "zh_CN", "pt_BR"};
    const auto choose = [&](std::vector<std::string> preferred) {
        return k5::ChooseLanguage(preferred, available);
    };
    EXPECT_EQ(choose({"de-DE", "en-US"}), "de");
    EXPECT_EQ(choose({"fr_CH.UTF-8@euro"}), "fr");
    EXPECT_EQ(choose({"it-IT", "fr-FR"}), "fr") << "the next one there";
    EXPECT_EQ(choose({"en-GB", "de"}), "") << "English before German";
    EXPECT_EQ(choose({"ja"}), "");
    EXPECT_EQ(choose({"zh-Hans-CN"}), "zh_CN");
    EXPECT_EQ(choose({"zh-CN"}), "zh_CN");
    EXPECT_EQ(choose({"zh"}), "zh_CN");
    EXPECT_EQ(choose({"zh-TW", "de"}), "de") << "traditional Chinese is another written language";
    EXPECT_EQ(choose({"zh-Hant-HK"}), "");
    EXPECT_EQ(choose({"pt-PT"}), "") << "only Brazil's Portuguese is there";
    EXPECT_EQ(choose({"pt_BR"}), "pt_BR");
}

}  // namespace
