#include "platform/sim/dos_wildcard.h"

#include <string>
#include <vector>

#include "platform/sim/host_text.h"

namespace platform::sim {

namespace {

// The expression characters the platform's search turns the pattern into.
constexpr char16_t kDosStar = u'<';
constexpr char16_t kDosQm = u'>';
constexpr char16_t kDosDot = u'"';

std::u16string Translate(std::u16string_view pattern) {
    std::u16string out(pattern);
    for (size_t i = 0; i < out.size(); ++i) {
        char16_t next = i + 1 < out.size() ? out[i + 1] : u'\0';
        if (out[i] == u'?') {
            out[i] = kDosQm;
        } else if (out[i] == u'.' && (next == u'?' || next == u'*' || next == u'\0')) {
            out[i] = kDosDot;
        } else if (out[i] == u'*' && next == u'.') {
            out[i] = kDosStar;
        }
    }
    return out;
}

class Matcher {
public:
    Matcher(std::u16string_view expr, std::u16string_view name)
        : expr_(expr), name_(name), memo_((expr.size() + 1) * (name.size() + 1), -1) {
        lastDot_ = name.rfind(u'.');
    }

    bool Match(size_t e, size_t n) {
        int& memo = memo_[e * (name_.size() + 1) + n];
        if (memo >= 0) return memo != 0;
        bool result = Compute(e, n);
        memo = result ? 1 : 0;
        return result;
    }

private:
    bool Compute(size_t e, size_t n) {
        if (e == expr_.size()) return n == name_.size();
        char16_t c = expr_[e];
        switch (c) {
            case u'*':
                for (size_t k = n; k <= name_.size(); ++k) {
                    if (Match(e + 1, k)) return true;
                }
                return false;
            case kDosStar: {
                // Any run that does not take in the name's last dot.
                for (size_t k = n; k <= name_.size(); ++k) {
                    if (Match(e + 1, k)) return true;
                    if (k < name_.size() && k == lastDot_) return false;
                }
                return false;
            }
            case kDosQm:
                // One character; at a dot or the end, nothing.
                if (n == name_.size() || name_[n] == u'.') {
                    size_t skip = e;
                    while (skip < expr_.size() && expr_[skip] == kDosQm) ++skip;
                    return Match(skip, n);
                }
                return Match(e + 1, n + 1);
            case kDosDot:
                if (n == name_.size()) return Match(e + 1, n);
                return name_[n] == u'.' && Match(e + 1, n + 1);
            default:
                return n < name_.size() && FoldChar(c) == FoldChar(name_[n]) && Match(e + 1, n + 1);
        }
    }

    std::u16string_view expr_;
    std::u16string_view name_;
    std::vector<int> memo_;
    size_t lastDot_;
};

}  // namespace

bool HasWildcards(std::u16string_view pattern) {
    return pattern.find_first_of(u"*?") != std::u16string_view::npos;
}

bool MatchesDosPattern(std::u16string_view pattern, std::u16string_view name) {
    std::u16string expr = Translate(pattern);
    return Matcher(expr, name).Match(0, 0);
}

}  // namespace platform::sim
