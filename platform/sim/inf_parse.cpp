#include "platform/sim/inf_parse.h"

#include <algorithm>

#include "platform/inf.h"
#include "platform/sim/host_text.h"

namespace platform::sim::inf {

bool IsInfSpace(char16_t c) {
    if (c >= 0x09 && c <= 0x0D) return true;
    switch (c) {
        case 0x20: case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029: case 0x202F:
        case 0x205F: case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

namespace {

constexpr char16_t kControlZ = 0x1A;

// A state machine over the characters. Each state handles the text from a position and
// returns where the next state starts (null at the end of the file). Text is gathered
// into the current token in runs from `start_`, so that quotes, doubled quotes and
// continuations drop their marks without copying character by character.
class Parser {
public:
    Parser(std::u16string_view text, InfData* out)
        : begin_(text.data()), end_(text.data() + text.size()), start_(begin_), out_(*out) {
        out_.pool.reserve(text.size());
    }

    ParseResult Run() {
        const char16_t* p = begin_;
        while (p && !error_) p = Step(p);
        if (error_) return {error_, lineNumber_};
        // Text before the first section is refused unless the file has a Strings
        // section somewhere; a file without any section is left to the style check.
        if (brokenLine_ && !out_.sections.empty() && !HasPlainStrings()) {
            return {kErrExpectedSectionName, brokenLine_};
        }
        return {};
    }

private:
    enum class State { LineStart, SectionName, KeyName, ValueName, EolBackslash, Quotes, LeadingSpaces, TrailingSpaces, Comment };

    const char16_t* Step(const char16_t* p) {
        switch (state_) {
            case State::LineStart: return LineStart(p);
            case State::SectionName: return SectionName(p);
            case State::KeyName: return KeyName(p);
            case State::ValueName: return ValueName(p);
            case State::EolBackslash: return EolBackslash(p);
            case State::Quotes: return Quotes(p);
            case State::LeadingSpaces: return LeadingSpaces(p);
            case State::TrailingSpaces: return TrailingSpaces(p);
            case State::Comment: return Comment(p);
        }
        return nullptr;
    }

    bool IsEof(const char16_t* p) const { return p >= end_ || *p == kControlZ; }
    bool IsEol(const char16_t* p) const { return IsEof(p) || *p == u'\n'; }

    // The nesting is at most three deep (a value, a continuation, its comment).
    void Push(State s) {
        if (depth_ < kMaxDepth) stack_[depth_++] = s;
    }
    void Pop() { state_ = depth_ > 0 ? stack_[--depth_] : State::LineStart; }

    // Appends the text from `start_` up to `pos` to the token; a NUL becomes a blank.
    void PushToken(const char16_t* pos) {
        if (pos > start_ && token_.size() < kMaxToken) {
            const size_t n = std::min<size_t>(pos - start_, kMaxToken - token_.size());
            const size_t from = token_.size();
            token_.append(start_, n);
            std::replace(token_.begin() + from, token_.end(), u'\0', u' ');
        }
        start_ = pos;
    }

    bool AddSection() {
        if (token_.size() > kMaxSectionName) {
            error_ = kErrSectionNameTooLong;
            return false;
        }
        bool added = false;
        const auto offset = static_cast<uint32_t>(out_.sections.size());
        uint32_t slot = out_.sectionIndex.Insert(FoldedHash(token_), 0, offset,
                                                 [&](uint32_t s) { return EqualsFolded(out_.SectionName(s), token_); },
                                                 &added);
        if (added) {
            Section s;
            s.name = PoolToken();
            out_.sections.push_back(std::move(s));
        }
        section_ = out_.sectionIndex.At(slot).first;
        token_.clear();
        return true;
    }

    TextRef PoolToken() {
        TextRef ref{static_cast<uint32_t>(out_.pool.size()), static_cast<uint32_t>(token_.size())};
        out_.pool += token_;
        return ref;
    }

    // The token becomes the line's key, or its next field. A key is stored just before
    // the fields, so a line's key and fields are one run of InfData::fields.
    void AddField(bool isKey) {
        std::vector<Line>& lines = out_.sections[section_].lines;
        if (!lineOpen_) {
            Line line;
            line.firstField = static_cast<uint32_t>(out_.fields.size());
            lines.push_back(line);
            lineOpen_ = true;
        }
        Line& line = lines.back();
        out_.fields.push_back(PoolToken());
        if (isKey) {
            line.keyField = line.firstField++;
        } else {
            ++line.fieldCount;
        }
        token_.clear();
    }

    // A line of one field and no `=` has that field as its key as well.
    void CloseLine() {
        if (lineOpen_) {
            Line& line = out_.sections[section_].lines.back();
            if (line.fieldCount == 1 && line.keyField == kNone) line.keyField = line.firstField;
        }
        lineOpen_ = false;
    }

    bool HasPlainStrings() const {
        const std::u16string_view name = u"Strings";
        return out_.sectionIndex.Find(FoldedHash(name), 0, [&](uint32_t s) {
            return EqualsFolded(out_.SectionName(s), name);
        }) != FoldedIndex::kNoSlot;
    }

    const char16_t* LineStart(const char16_t* p) {
        for (; !IsEof(p); ++p) {
            switch (*p) {
                case u'\n':
                    ++lineNumber_;
                    CloseLine();
                    break;
                case u';':
                    Push(State::LineStart);
                    state_ = State::Comment;
                    return p + 1;
                case u'[':
                    start_ = p + 1;
                    state_ = State::SectionName;
                    return p + 1;
                default:
                    if (IsInfSpace(*p)) break;
                    if (section_ != kNone) {
                        start_ = p;
                        state_ = State::KeyName;
                        return p;
                    }
                    // Text before the first section: remembered, then skipped.
                    if (!brokenLine_) brokenLine_ = lineNumber_;
                    break;
            }
        }
        CloseLine();
        return nullptr;
    }

    // The name runs to the first `]` of the line; the rest of the line is ignored.
    const char16_t* SectionName(const char16_t* p) {
        for (; !IsEol(p); ++p) {
            if (*p == u']') {
                PushToken(p);
                if (!AddSection()) return nullptr;
                Push(State::LineStart);
                state_ = State::Comment;
                return p + 1;
            }
        }
        error_ = kErrBadSectionNameLine;
        return nullptr;
    }

    const char16_t* KeyName(const char16_t* p) {
        const char16_t* tokenEnd = start_;
        for (; !IsEol(p); ++p) {
            // A comma before any `=`: the line has no key, the text is its first field.
            if (*p == u',') break;
            switch (*p) {
                case u'=':
                    PushToken(tokenEnd);
                    AddField(true);
                    start_ = p + 1;
                    Push(State::ValueName);
                    state_ = State::LeadingSpaces;
                    return p + 1;
                case u';':
                    PushToken(tokenEnd);
                    AddField(false);
                    Push(State::LineStart);
                    state_ = State::Comment;
                    return p + 1;
                case u'"':
                    PushToken(p);
                    start_ = p + 1;
                    Push(State::KeyName);
                    state_ = State::Quotes;
                    return p + 1;
                case u'\\':
                    PushToken(tokenEnd);
                    start_ = p;
                    Push(State::KeyName);
                    state_ = State::EolBackslash;
                    return p;
                default:
                    if (!IsInfSpace(*p)) {
                        tokenEnd = p + 1;
                    } else {
                        PushToken(p);
                        Push(State::KeyName);
                        state_ = State::TrailingSpaces;
                        return p;
                    }
                    break;
            }
        }
        PushToken(tokenEnd);
        state_ = State::ValueName;
        return p;
    }

    const char16_t* ValueName(const char16_t* p) {
        const char16_t* tokenEnd = start_;
        for (; !IsEol(p); ++p) {
            switch (*p) {
                case u';':
                    PushToken(tokenEnd);
                    AddField(false);
                    Push(State::LineStart);
                    state_ = State::Comment;
                    return p + 1;
                case u',':
                    PushToken(tokenEnd);
                    AddField(false);
                    start_ = p + 1;
                    Push(State::ValueName);
                    state_ = State::LeadingSpaces;
                    return p + 1;
                case u'"':
                    PushToken(p);
                    start_ = p + 1;
                    Push(State::ValueName);
                    state_ = State::Quotes;
                    return p + 1;
                case u'\\':
                    PushToken(tokenEnd);
                    start_ = p;
                    Push(State::ValueName);
                    state_ = State::EolBackslash;
                    return p;
                default:
                    // A NUL counts as a blank here: it is trimmed at the end of a value.
                    if (*p && !IsInfSpace(*p)) {
                        tokenEnd = p + 1;
                    } else {
                        PushToken(p);
                        Push(State::ValueName);
                        state_ = State::TrailingSpaces;
                        return p;
                    }
                    break;
            }
        }
        PushToken(tokenEnd);
        AddField(false);
        state_ = State::LineStart;
        return p;
    }

    // After a backslash: only blanks, backslashes and a comment up to the line end make
    // it a continuation; anything else makes the backslash and the blanks after it
    // ordinary text.
    const char16_t* EolBackslash(const char16_t* p) {
        for (; !IsEof(p); ++p) {
            switch (*p) {
                case u'\n':
                    ++lineNumber_;
                    start_ = p + 1;
                    state_ = State::LeadingSpaces;
                    return p + 1;
                case u'\\':
                    continue;
                case u';':
                    Push(State::EolBackslash);
                    state_ = State::Comment;
                    return p + 1;
                default:
                    if (IsInfSpace(*p)) continue;
                    PushToken(p);
                    Pop();
                    return p;
            }
        }
        start_ = p;
        Pop();
        return p;
    }

    // Inside quotes everything is literal up to the line end; `""` is one quote.
    const char16_t* Quotes(const char16_t* p) {
        for (; !IsEol(p); ++p) {
            if (*p != u'"') continue;
            if (p + 1 < end_ && p[1] == u'"') {
                PushToken(p + 1);
                start_ = p + 2;
                ++p;
            } else {
                PushToken(p);
                start_ = p + 1;
                Pop();
                return p + 1;
            }
        }
        PushToken(p);
        Pop();
        return p;
    }

    const char16_t* LeadingSpaces(const char16_t* p) {
        for (; !IsEol(p); ++p) {
            if (*p == u'\\') {
                start_ = p;
                state_ = State::EolBackslash;
                return p;
            }
            if (!IsInfSpace(*p)) break;
        }
        start_ = p;
        Pop();
        return p;
    }

    const char16_t* TrailingSpaces(const char16_t* p) {
        for (; !IsEol(p); ++p) {
            if (*p == u'\\') {
                state_ = State::EolBackslash;
                return p;
            }
            if (*p && !IsInfSpace(*p)) break;
        }
        Pop();
        return p;
    }

    const char16_t* Comment(const char16_t* p) {
        while (!IsEol(p)) ++p;
        Pop();
        return p;
    }

    static constexpr int kMaxDepth = 4;

    const char16_t* begin_;
    const char16_t* end_;
    const char16_t* start_;
    InfData& out_;
    State state_ = State::LineStart;
    State stack_[kMaxDepth] = {};
    int depth_ = 0;
    uint32_t section_ = kNone;
    bool lineOpen_ = false;
    unsigned lineNumber_ = 1;
    unsigned brokenLine_ = 0;
    Dword error_ = 0;
    std::u16string token_;
};

}  // namespace

ParseResult ParseInfText(std::u16string_view text, InfData* out) { return Parser(text, out).Run(); }

}  // namespace platform::sim::inf
