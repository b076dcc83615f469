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
//
// The tokens are gathered in the text itself, which becomes the file's text pool: a
// token never has more characters than the text it is read from (marks are only
// dropped), so its characters are written at or before the ones still to be read, and
// a token without marks is not copied at all. On a large file, copying every token
// into fresh memory cost more than the parse.
class Parser {
public:
    Parser(std::u16string text, InfData* out) : out_(*out) {
        out_.pool = std::move(text);
        begin_ = out_.pool.data();
        end_ = begin_ + out_.pool.size();
        start_ = begin_;
        // The field table gets its room at once rather than being copied as it grows:
        // every field ends at a comma or a line end, or is a key before an `=`.
        size_t ends = 1;
        for (const char16_t* p = begin_; p < end_; ++p) ends += *p == u',' || *p == u'\n' || *p == u'=';
        out_.fields.reserve(ends);
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
        if (pos > start_ && tokenLength_ < kMaxToken) {
            const size_t n = std::min<size_t>(pos - start_, kMaxToken - tokenLength_);
            if (tokenLength_ == 0) tokenAt_ = static_cast<uint32_t>(start_ - begin_);
            // At or before `start_`: the copy runs forward over text already read.
            char16_t* to = begin_ + tokenAt_ + tokenLength_;
            if (to != start_) std::copy(start_, start_ + n, to);
            std::replace(to, to + n, u'\0', u' ');
            tokenLength_ += static_cast<uint32_t>(n);
        }
        start_ = pos;
    }

    std::u16string_view Token() const { return std::u16string_view(begin_ + tokenAt_, tokenLength_); }
    TextRef TokenRef() const { return TextRef{tokenAt_, tokenLength_}; }

    bool AddSection() {
        if (tokenLength_ > kMaxSectionName) {
            error_ = kErrSectionNameTooLong;
            return false;
        }
        bool added = false;
        const auto offset = static_cast<uint32_t>(out_.sections.size());
        const std::u16string_view name = Token();
        uint32_t slot = out_.sectionIndex.Insert(FoldedHash(name), 0, offset,
                                                 [&](uint32_t s) { return EqualsFolded(out_.SectionName(s), name); },
                                                 &added);
        if (added) {
            Section s;
            s.name = TokenRef();
            out_.sections.push_back(std::move(s));
        }
        section_ = out_.sectionIndex.At(slot).first;
        tokenLength_ = 0;
        return true;
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
        out_.fields.push_back(TokenRef());
        if (isKey) {
            line.keyField = line.firstField++;
        } else {
            ++line.fieldCount;
        }
        tokenLength_ = 0;
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

    InfData& out_;
    char16_t* begin_;
    const char16_t* end_;
    const char16_t* start_;
    State state_ = State::LineStart;
    State stack_[kMaxDepth] = {};
    int depth_ = 0;
    uint32_t section_ = kNone;
    bool lineOpen_ = false;
    unsigned lineNumber_ = 1;
    unsigned brokenLine_ = 0;
    Dword error_ = 0;
    uint32_t tokenAt_ = 0;  // where the current token starts in the pool
    uint32_t tokenLength_ = 0;
};

}  // namespace

ParseResult ParseInfText(std::u16string text, InfData* out) { return Parser(std::move(text), out).Run(); }

}  // namespace platform::sim::inf
