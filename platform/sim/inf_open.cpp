#include "platform/sim/inf_open.h"

#include <memory>

#include "platform/last_error.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_text.h"
#include "platform/sim/inf_buffers.h"
#include "platform/sim/inf_decode.h"
#include "platform/sim/inf_lookup.h"
#include "platform/sim/inf_parse.h"
#include "platform/sim/inf_read.h"
#include "platform/sim/inf_strings.h"

namespace platform::sim::inf {

namespace {

// SetupAPI's code for an INF of another device class than the one asked for.
constexpr Dword kErrClassMismatch = 0xE0000201;

// [Version] Signature as written: $Chicago$, $Windows NT$ or $Windows 95$.
bool HasWin4Signature(const InfData& inf) {
    const uint32_t version = FindSection(inf, u"Version");
    if (version == kNone) return false;
    for (const Line& line : inf.sections[version].lines) {
        if (line.keyField == kNone || !EqualsFolded(inf.Field(line.keyField), u"Signature")) continue;
        if (line.fieldCount == 0) return false;
        std::u16string_view value = inf.Field(line.firstField);
        return EqualsFolded(value, u"$Chicago$") || EqualsFolded(value, u"$Windows NT$") ||
               EqualsFolded(value, u"$Windows 95$");
    }
    return false;
}

bool ClassMatches(const InfData& inf, std::u16string_view wanted) {
    const uint32_t version = FindSection(inf, u"Version");
    if (version == kNone) return true;
    const uint32_t line = FindKeyedLine(inf, version, u"Class", 0);
    std::u16string value;
    if (line == kNone || !FieldText(inf, inf.sections[version].lines[line], 1, &value)) return true;
    return EqualsFolded(value, wanted);
}

std::u16string FolderOf(const std::u16string& full) {
    const size_t at = full.rfind(u'\\');
    if (at == std::u16string::npos) return full;
    std::u16string folder = full.substr(0, at);
    if (folder.size() == 2 && folder[1] == u':') folder += u'\\';
    return folder;
}

}  // namespace

HInf OpenInfFromBytes(std::string bytes, const OpenOptions& options, unsigned* errorLine) {
    if (errorLine) *errorLine = 0;
    auto object = std::make_unique<InfObject>();
    InfData& inf = object->data;
    // The bytes go as soon as they are decoded; the decoded text becomes the pool that
    // the tokens are gathered in.
    std::u16string text = TakeTextBuffer();
    DecodeInfText(bytes, &text);
    KeepByteBuffer(std::move(bytes));
    inf.fields = TakeFieldBuffer();
    const ParseResult parsed = ParseInfText(std::move(text), &inf);
    if (parsed.error) {
        if (errorLine) *errorLine = parsed.line;
        return Fail(parsed.error, InvalidInf());
    }
    if ((options.style & kInfStyleWin4) && !HasWin4Signature(inf)) return Fail(kErrWrongInfStyle, InvalidInf());

    inf.path = options.path;
    inf.folder = FolderOf(options.path);
    inf.folders = options.folders;
    ChooseStrings(inf, options.langId);
    IndexKeys(inf);
    if (options.infClass && *options.infClass && !ClassMatches(inf, options.infClass)) {
        return Fail(kErrClassMismatch, InvalidInf());
    }
    platform::SetLastError(0);
    return object.release();
}

}  // namespace platform::sim::inf
