// A gettext catalogue's plural rule: the C expression of its header's
// Plural-Forms ("nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10
// || n%100>=20) ? 1 : 2);"), evaluated for a count. The operators gettext allows:
// ?: || && == != < > <= >= + - * / % ! and parentheses, on unsigned integers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace k5 {

class PluralRule {
  public:
    // English's rule: one form for 1, another for everything else.
    PluralRule() = default;
    // The rule of a Plural-Forms header value; nothing when it is not one.
    static std::optional<PluralRule> Parse(std::string_view pluralForms);

    int FormCount() const { return forms_; }
    // The form `n` takes: 0 ... FormCount() - 1.
    int FormFor(unsigned long n) const;

  private:
    int forms_ = 2;
    std::string expression_ = "n != 1";
};

}  // namespace k5
