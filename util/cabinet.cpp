#include "util/cabinet.h"

#include <algorithm>

#include "log/log.h"
#include "platform/setup_files.h"

namespace {

struct ExtractContext {
    std::u16string fileName;
    std::u16string destination;
    bool extracted = false;
    // The iteration was ended here, after the extraction, to read no further.
    bool endedAfterExtraction = false;
};

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        } else if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
            c = static_cast<char16_t>(c + 32);
        }
    }
    return out;
}

unsigned PLATFORM_API CabinetCallback(void* context, unsigned notification, uintptr_t param1, uintptr_t /*param2*/) {
    auto* extract = static_cast<ExtractContext*>(context);
    switch (notification) {
        case platform::kSpFileNotifyFileInCabinet: {
            if (extract->extracted) {
                extract->endedAfterExtraction = true;
                return platform::kFileOpAbort;
            }
            auto* info = reinterpret_cast<platform::FileInCabinetInfo*>(param1);
            if (Lower(info->nameInCabinet) != Lower(extract->fileName)) return platform::kFileOpSkip;
            std::u16string target = FormatLimited(259, u"%s", extract->destination);
            std::copy(target.begin(), target.end(), info->fullTargetName);
            info->fullTargetName[target.size()] = 0;
            return platform::kFileOpDoIt;
        }
        case platform::kSpFileNotifyFileExtracted:
            extract->extracted = true;
            return 0;
        case platform::kSpFileNotifyNeedNewCabinet:
            LogPrint(2, u"ExtractFileFromCabinet: system is asking for new cabinet\n");
            return 2;  // ERROR_FILE_NOT_FOUND: continued files are not supported
        default:
            return 0;
    }
}

}  // namespace

bool ExtractFileFromCabinet(const std::u16string& cabinet, const std::u16string& fileName,
                            const std::u16string& destination) {
    LogPrint(2, u"ExtractFileFromCabinet: cabFile %s, filename %s, dest %s\n", cabinet, fileName, destination);
    ExtractContext context{fileName, destination};
    bool result = platform::SetupIterateCabinetW(cabinet.c_str(), 0, CabinetCallback, &context);
    LogPrint(2, u"ExtractFileFromCabinet: result = %d, extracted = %d\n", result ? 1 : 0, context.extracted ? 1 : 0);
    // Ending the iteration early makes the platform report a failure, although the
    // file was written whole: the cabinet's later entries must not turn a finished
    // extraction into a failed install.
    return context.extracted && (result || context.endedAfterExtraction);
}
