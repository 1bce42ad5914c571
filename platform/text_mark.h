// Marks the texts a person reads, for the translation catalogue (po/), where
// they are written; a front end translates them where it shows them
// (engine/translation.h). xgettext finds the first argument of N_, the first two
// of NP_ and the second of NC_. Every layer marks its texts so, and fills in a
// text's %1, %2 with FillIn.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace k5 {

// A text, unchanged.
constexpr const char* N_(const char* text) { return text; }
// A text with a context, which is the key's first part ("context\x04text").
constexpr const char* NC_(const char* /*context*/, const char* text) { return text; }

// A text whose words follow a count (%1), in English's two forms: for 1 and for any other count.
struct PluralText {
    const char* singular;
    const char* plural;
};
constexpr PluralText NP_(const char* singular, const char* plural) { return {singular, plural}; }

// `text` with %1, %2, ... replaced by the values in turn: the form a translated
// sentence keeps, whatever order its language puts them in.
inline std::string FillIn(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n =
            i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && n < values.size() && n < 9) {
            filled += *(values.begin() + n);
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

}  // namespace k5
