#include "plural_rule.h"

#include <cctype>

namespace k5 {
namespace {

// Recursive descent over the expression, evaluated as it is read; `ok` turns false
// at the first thing that is not part of gettext's grammar.
class Evaluator {
  public:
    Evaluator(std::string_view text, unsigned long n) : text_(text), n_(n) {}

    std::optional<unsigned long> Whole() {
        const unsigned long value = Conditional();
        Blanks();
        if (!ok_ || at_ != text_.size()) return std::nullopt;
        return value;
    }

  private:
    void Blanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool Take(std::string_view token) {
        Blanks();
        if (text_.substr(at_, token.size()) != token) return false;
        // "<" is not the start of "<=", nor "!" of "!=", nor "=" a whole operator.
        if (token.size() == 1 && at_ + 1 < text_.size() && text_[at_ + 1] == '=' &&
            (token == "<" || token == ">" || token == "!"))
            return false;
        at_ += token.size();
        return true;
    }

    unsigned long Conditional() {
        const unsigned long condition = Or();
        if (!Take("?")) return condition;
        const unsigned long yes = Conditional();
        if (!Take(":")) ok_ = false;
        const unsigned long no = Conditional();
        return condition != 0 ? yes : no;
    }
    unsigned long Or() {
        unsigned long value = And();
        while (Take("||")) {
            const unsigned long right = And();
            value = (value != 0 || right != 0) ? 1 : 0;
        }
        return value;
    }
    unsigned long And() {
        unsigned long value = Equality();
        while (Take("&&")) {
            const unsigned long right = Equality();
            value = (value != 0 && right != 0) ? 1 : 0;
        }
        return value;
    }
    unsigned long Equality() {
        unsigned long value = Relation();
        for (;;) {
            if (Take("==")) {
                value = value == Relation() ? 1 : 0;
            } else if (Take("!=")) {
                value = value != Relation() ? 1 : 0;
            } else {
                return value;
            }
        }
    }
    unsigned long Relation() {
        unsigned long value = Sum();
        for (;;) {
            if (Take("<=")) {
                value = value <= Sum() ? 1 : 0;
            } else if (Take(">=")) {
                value = value >= Sum() ? 1 : 0;
            } else if (Take("<")) {
                value = value < Sum() ? 1 : 0;
            } else if (Take(">")) {
                value = value > Sum() ? 1 : 0;
            } else {
                return value;
            }
        }
    }
    unsigned long Sum() {
        unsigned long value = Product();
        for (;;) {
            if (Take("+")) {
                value += Product();
            } else if (Take("-")) {
                value -= Product();
            } else {
                return value;
            }
        }
    }
    unsigned long Product() {
        unsigned long value = Unary();
        for (;;) {
            if (Take("*")) {
                value *= Unary();
            } else if (Take("/") || Take("%")) {
                const bool remainder = text_[at_ - 1] == '%';
                const unsigned long right = Unary();
                if (right == 0) {
                    ok_ = false;
                    return 0;
                }
                value = remainder ? value % right : value / right;
            } else {
                return value;
            }
        }
    }
    unsigned long Unary() {
        if (Take("!")) return Unary() == 0 ? 1 : 0;
        return Primary();
    }
    unsigned long Primary() {
        if (Take("(")) {
            const unsigned long value = Conditional();
            if (!Take(")")) ok_ = false;
            return value;
        }
        if (Take("n")) return n_;
        Blanks();
        if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            ok_ = false;
            return 0;
        }
        unsigned long value = 0;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])))
            value = value * 10 + static_cast<unsigned long>(text_[at_++] - '0');
        return value;
    }

    std::string_view text_;
    unsigned long n_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The value of `name=` in a header value of "name=value;" pairs.
std::optional<std::string_view> Field(std::string_view header, std::string_view name) {
    for (std::size_t at = 0; at < header.size();) {
        std::size_t end = header.find(';', at);
        if (end == std::string_view::npos) end = header.size();
        std::string_view item = header.substr(at, end - at);
        while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front()))) item.remove_prefix(1);
        if (item.substr(0, name.size()) == name && item.substr(name.size(), 1) == "=")
            return item.substr(name.size() + 1);
        at = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::optional<PluralRule> PluralRule::Parse(std::string_view pluralForms) {
    const auto forms = Field(pluralForms, "nplurals");
    const auto expression = Field(pluralForms, "plural");
    if (!forms || !expression) return std::nullopt;
    const auto count = Evaluator(*forms, 0).Whole();
    if (!count || *count < 1 || *count > 6) return std::nullopt;
    PluralRule rule;
    rule.forms_ = static_cast<int>(*count);
    rule.expression_ = std::string(*expression);
    // An expression that cannot be read, or that names a form the rule does not have, is no rule.
    for (unsigned long n : {0UL, 1UL, 2UL, 5UL, 11UL, 21UL, 22UL, 101UL, 111UL, 1000UL}) {
        const auto form = Evaluator(rule.expression_, n).Whole();
        if (!form || *form >= *count) return std::nullopt;
    }
    return rule;
}

int PluralRule::FormFor(unsigned long n) const {
    const auto form = Evaluator(expression_, n).Whole();
    return form && *form < static_cast<unsigned long>(forms_) ? static_cast<int>(*form) : 0;
}

}  // namespace k5
