#include "mo_catalogue.h"

namespace k5 {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;

class Bytes {
  public:
    Bytes(std::string_view bytes, bool swapped) : bytes_(bytes), swapped_(swapped) {}

    std::optional<std::uint32_t> Word(std::size_t at) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte =
                static_cast<std::uint8_t>(bytes_[at + static_cast<std::size_t>(swapped_ ? i : 3 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }
    // The string a table entry at `at` (its length, then its offset) describes.
    std::optional<std::string_view> String(std::size_t at) const {
        const auto length = Word(at);
        const auto offset = Word(at + 4);
        // Each string ends in a NUL, which the length leaves out.
        if (!length || !offset || *offset > bytes_.size() || bytes_.size() - *offset <= *length ||
            bytes_[*offset + *length] != '\0')
            return std::nullopt;
        return bytes_.substr(*offset, *length);
    }

  private:
    std::string_view bytes_;
    bool swapped_;
};

}  // namespace

std::optional<MoCatalogue> MoCatalogue::Read(std::string_view bytes) {
    const auto magic = Bytes(bytes, false).Word(0);
    if (!magic) return std::nullopt;
    // Written on a machine of the other byte order: every word is swapped.
    const bool swapped = *magic != kMagic;
    const Bytes file(bytes, swapped);
    if (*file.Word(0) != kMagic) return std::nullopt;
    const auto revision = file.Word(4);
    const auto count = file.Word(8);
    const auto originals = file.Word(12);
    const auto translations = file.Word(16);
    // Major revisions 0 and 1 (1 adds system-dependent strings, which msgfmt writes beside these).
    if (!revision || (*revision >> 16) > 1 || !count || !originals || !translations) return std::nullopt;
    MoCatalogue catalogue;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto original = file.String(*originals + std::size_t{i} * 8);
        const auto translation = file.String(*translations + std::size_t{i} * 8);
        if (!original || !translation) return std::nullopt;
        if (original->empty()) {
            catalogue.header_ = *translation;
            continue;
        }
        // "singular\0plural": found by its singular.
        catalogue.entries_[original->substr(0, original->find('\0'))] = *translation;
    }
    if (const auto forms = catalogue.HeaderField("Plural-Forms"); !forms.empty()) {
        if (auto rule = PluralRule::Parse(forms)) catalogue.plural_ = *rule;
    }
    return catalogue;
}

std::optional<std::string_view> MoCatalogue::Find(std::string_view original) const {
    const auto found = entries_.find(original);
    if (found == entries_.end()) return std::nullopt;
    return found->second.substr(0, found->second.find('\0'));
}

std::optional<std::string_view> MoCatalogue::FindPlural(std::string_view singular, unsigned long n) const {
    const auto found = entries_.find(singular);
    if (found == entries_.end()) return std::nullopt;
    std::string_view forms = found->second;
    for (int form = plural_.FormFor(n); form > 0; --form) {
        const auto end = forms.find('\0');
        if (end == std::string_view::npos) return std::nullopt;  // fewer forms than the rule names
        forms.remove_prefix(end + 1);
    }
    return forms.substr(0, forms.find('\0'));
}

std::string_view MoCatalogue::HeaderField(std::string_view name) const {
    for (std::size_t at = 0; at < header_.size();) {
        std::size_t end = header_.find('\n', at);
        if (end == std::string_view::npos) end = header_.size();
        const std::string_view line = header_.substr(at, end - at);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            return value;
        }
        at = end + 1;
    }
    return {};
}

}  // namespace k5
