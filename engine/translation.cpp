#include "translation.h"

#include <atomic>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>

#include "message_text.h"
#include "mo_catalogue.h"

namespace k5 {
namespace {

// Every catalogue used so far, by the address of its bytes: a text handed out
// stays valid when the language changes (tests change it).
std::mutex catalogueLock;
std::map<const char*, std::unique_ptr<const MoCatalogue>>& Catalogues() {
    static std::map<const char*, std::unique_ptr<const MoCatalogue>> catalogues;
    return catalogues;
}
std::atomic<const MoCatalogue*> current{nullptr};

// A template's text between its placeholders, and the placeholders' numbers (0 for %1).
struct TemplateParts {
    std::vector<std::string_view> literals;  // one more than `slots`
    std::vector<int> slots;
};

TemplateParts Split(std::string_view text) {
    TemplateParts parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
            parts.literals.push_back(text.substr(start, i - start));
            parts.slots.push_back(text[i + 1] - '1');
            start = i + 2;
            ++i;
        }
    }
    parts.literals.push_back(text.substr(start));
    return parts;
}

// Reads `text` as `parts` laid out, from literal `piece` on at `at`: each placeholder
// takes the shortest text after which the rest still reads.
bool Match(std::string_view text, const TemplateParts& parts, std::size_t piece, std::size_t at,
           std::vector<std::string_view>& values) {
    const std::string_view literal = parts.literals[piece];
    if (text.substr(at, literal.size()) != literal) return false;
    at += literal.size();
    if (piece == parts.slots.size()) return at == text.size();
    const std::string_view next = parts.literals[piece + 1];
    for (std::size_t end = at; end <= text.size(); ++end) {
        if (text.substr(end, next.size()) != next) continue;
        const int slot = parts.slots[piece];
        const std::string_view value = text.substr(at, end - at);
        if (!values[static_cast<std::size_t>(slot)].empty() &&
            values[static_cast<std::size_t>(slot)] != value)
            continue;  // a placeholder written twice holds the same text
        const std::string_view before = values[static_cast<std::size_t>(slot)];
        values[static_cast<std::size_t>(slot)] = value;
        if (Match(text, parts, piece + 1, end, values)) return true;
        values[static_cast<std::size_t>(slot)] = before;
    }
    return false;
}

int Letters(const TemplateParts& parts) {
    int letters = 0;
    for (auto literal : parts.literals) {
        for (char c : literal) letters += std::isalpha(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    return letters;
}

std::string Translate(const MoCatalogue& catalogue, std::string_view english, int depth) {
    if (const auto whole = catalogue.Find(english)) return std::string(*whole);
    // The template that reads the most letters of the text made it: "%1 of %2 bytes" before "%1 bytes".
    int bestLetters = 2;  // a template of fewer letters ("%1: %2") would read anything
    std::string_view bestTranslation;
    std::vector<std::string_view> bestValues;
    bool found = false;
    for (const auto& [original, translation] : catalogue.Entries()) {
        if (original.find('%') == std::string_view::npos || original.find('\x04') != std::string_view::npos)
            continue;
        const TemplateParts parts = Split(original);
        if (parts.slots.empty() || Letters(parts) <= bestLetters) continue;
        std::vector<std::string_view> values(9);
        if (!Match(english, parts, 0, 0, values)) continue;
        bestLetters = Letters(parts);
        bestTranslation = translation.substr(0, translation.find('\0'));
        bestValues = values;
        found = true;
    }
    if (!found) return std::string(english);
    std::vector<std::string> filled;
    for (const auto value : bestValues)
        filled.push_back(depth < 2 ? Translate(catalogue, value, depth + 1) : std::string(value));
    return FillIn(bestTranslation, {filled[0], filled[1], filled[2], filled[3], filled[4], filled[5],
                                    filled[6], filled[7], filled[8]});
}

// "zh-Hans-CN", "fr_CH.UTF-8@euro" as a language ("zh"), a script ("Hans") and a region ("CN").
struct Tag {
    std::string language, script, region;
};

Tag ReadTag(std::string_view text) {
    text = text.substr(0, text.find_first_of(".@"));
    Tag tag;
    std::size_t part = 0;
    for (std::size_t at = 0; at <= text.size(); ++part) {
        std::size_t end = text.find_first_of("-_", at);
        if (end == std::string_view::npos) end = text.size();
        std::string word(text.substr(at, end - at));
        for (auto& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (part == 0) {
            tag.language = word;
        } else if (word.size() == 4 && tag.script.empty() && tag.region.empty()) {
            tag.script = word;
        } else if ((word.size() == 2 || word.size() == 3) && tag.region.empty()) {
            tag.region = word;
        }
        at = end + 1;
    }
    return tag;
}

}  // namespace

bool UseCatalogue(std::string_view bytes) {
    const std::lock_guard lock(catalogueLock);
    auto& catalogues = Catalogues();
    auto known = catalogues.find(bytes.data());
    if (known == catalogues.end()) {
        auto catalogue = MoCatalogue::Read(bytes);
        if (!catalogue) return false;
        known = catalogues.emplace(bytes.data(), std::make_unique<const MoCatalogue>(std::move(*catalogue)))
                    .first;
    }
    current.store(known->second.get());
    return true;
}

void UseEnglish() { current.store(nullptr); }

std::string LanguageInUse() {
    const MoCatalogue* catalogue = current.load();
    return catalogue != nullptr ? std::string(catalogue->HeaderField("Language")) : std::string();
}

const char* Tr(const char* english) {
    const MoCatalogue* catalogue = current.load();
    if (catalogue == nullptr) return english;
    const auto found = catalogue->Find(english);
    // The strings of a .mo file end in a NUL each, the forms of a plural too.
    return found && !found->empty() ? found->data() : english;
}

const char* TrN(const PluralText& text, unsigned long n) {
    const MoCatalogue* catalogue = current.load();
    if (catalogue != nullptr) {
        if (const auto found = catalogue->FindPlural(text.singular, n); found && !found->empty())
            return found->data();
    }
    return n == 1 ? text.singular : text.plural;
}

const char* TrC(const char* context, const char* english) {
    const MoCatalogue* catalogue = current.load();
    if (catalogue == nullptr) return english;
    const auto found = catalogue->Find(std::string(context) + '\x04' + english);
    return found && !found->empty() ? found->data() : english;
}

std::string TranslateText(std::string_view english) {
    const MoCatalogue* catalogue = current.load();
    return catalogue != nullptr ? Translate(*catalogue, english, 0) : std::string(english);
}

std::string ChooseLanguage(const std::vector<std::string>& preferred,
                           const std::vector<std::string>& available) {
    for (const auto& wanted : preferred) {
        const Tag tag = ReadTag(wanted);
        if (tag.language.empty()) continue;
        if (tag.language == "en") return "";
        // Simplified Chinese is written in mainland China and Singapore, or said by its script.
        const bool simplified =
            tag.script == "hans" ||
            (tag.script.empty() && (tag.region.empty() || tag.region == "cn" || tag.region == "sg"));
        std::string regional, plain;
        for (const auto& language : available) {
            const Tag offered = ReadTag(language);
            if (offered.language != tag.language) continue;
            if (tag.language == "zh") {
                if (simplified == (offered.region == "cn")) regional = language;
            } else if (offered.region == tag.region) {
                regional = language;
            } else if (offered.region.empty()) {
                plain = language;
            }
        }
        if (!regional.empty()) return regional;
        if (!plain.empty()) return plain;
    }
    return "";
}

}  // namespace k5
