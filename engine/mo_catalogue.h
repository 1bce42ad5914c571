// A compiled gettext catalogue (.mo), read from its bytes: the format msgfmt
// writes and the GNU gettext manual documents (a magic number, the count of
// strings, two tables of lengths and offsets, NUL-terminated strings). The
// bytes must outlive the catalogue; it keeps views into them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "plural_rule.h"

namespace k5 {

class MoCatalogue {
  public:
    // The catalogue in `bytes`; nothing when they are not a .mo file of a revision
    // this reader knows, or a string lies outside them.
    static std::optional<MoCatalogue> Read(std::string_view bytes);

    // The translation of `original` ("context\x04text" for a text with a context);
    // nothing when the catalogue has none. For a text with plural forms, the first.
    std::optional<std::string_view> Find(std::string_view original) const;
    // The form of a text with plural forms (`singular` its msgid) that `n` takes.
    std::optional<std::string_view> FindPlural(std::string_view singular, unsigned long n) const;
    // A field of the header ("Language", "Plural-Forms"), empty when it has none.
    std::string_view HeaderField(std::string_view name) const;
    // Every original and its translation (plural forms NUL-separated), the header's excepted.
    const std::unordered_map<std::string_view, std::string_view>& Entries() const { return entries_; }
    const PluralRule& Plural() const { return plural_; }

  private:
    std::unordered_map<std::string_view, std::string_view> entries_;  // by msgid without its plural
    std::string_view header_;
    PluralRule plural_;
};

}  // namespace k5
