// SetupIterateCabinetW: the entries of a cabinet offered one by one to a callback,
// which has each extracted, skipped, or the walk ended.

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/inf.h"
#include "platform/last_error.h"
#include "platform/setup_files.h"
#include "platform/sim/faults.h"
#include "platform/sim/cabinet_entries.h"
#include "platform/sim/cabinet_file.h"
#include "platform/sim/fail.h"
#include "platform/sim/host_text.h"
#include "platform/sim/paths.h"

namespace platform {

namespace {

using sim::CabinetFile;
using sim::EntryContinuation;
using sim::Fail;
using sim::FromHost;

uint16_t DosDate(const mscabd_file& entry) {
    return static_cast<uint16_t>((entry.date_y - 1980) << 9 | static_cast<unsigned char>(entry.date_m) << 5 |
                                 static_cast<unsigned char>(entry.date_d));
}

uint16_t DosTime(const mscabd_file& entry) {
    return static_cast<uint16_t>(static_cast<unsigned char>(entry.time_h) << 11 |
                                 static_cast<unsigned char>(entry.time_m) << 5 |
                                 static_cast<unsigned char>(entry.time_s) / 2);
}

std::u16string TextOrEmpty(const char* text) { return text ? FromHost(text) : std::u16string(); }

class CabinetWalk {
public:
    CabinetWalk(const char16_t* cabinet, CabinetCallback callback, void* context)
        : given_(cabinet), callback_(callback), context_(context) {}

    bool Run() {
        std::u16string full = sim::FullWindowsPath(given_);
        folder_ = full.substr(0, full.find_last_of(u'\\') + 1);
        if (Dword error = cabinet_.Open(full)) return Fail(error);
        // Windows reads the cabinet before it looks at the callback: a missing cabinet
        // is reported as missing even then.
        if (!callback_) return Fail(kErrInvalidData);
        mscabd_cabinet* first = cabinet_.Get();
        std::vector<EntryContinuation> marks = Marks(first);
        TellCabinet(*first);

        // Joining a following cabinet rearranges libmspack's lists: walk a copy.
        std::vector<mscabd_file*> entries;
        for (mscabd_file* entry = first->files; entry; entry = entry->next) entries.push_back(entry);
        for (size_t i = 0; i < entries.size(); ++i) {
            EntryContinuation mark = i < marks.size() ? marks[i] : EntryContinuation{};
            // Its first part lies in an earlier cabinet, which this walk does not read.
            if (mark.fromPrevious) continue;
            if (!Offer(entries[i], mark.toNext)) return false;
            if (ended_) return Fail(endError_);
        }
        SetLastError(kErrSuccess);
        return true;
    }

private:
    std::vector<EntryContinuation> Marks(mscabd_cabinet* cabinet) {
        return sim::ReadEntryContinuations(cabinet_.Files().System(), cabinet->filename, cabinet->base_offset);
    }

    // The callback's answer to CABINETINFO is not used, as the platform's is not.
    void TellCabinet(const mscabd_cabinet& cabinet) {
        std::u16string nextFile = TextOrEmpty(cabinet.nextname);
        std::u16string nextDisk = TextOrEmpty(cabinet.nextinfo);
        CabinetInfo info{folder_.c_str(), nextFile.c_str(), nextDisk.c_str(), cabinet.set_id, cabinet.set_index};
        callback_(context_, kSpFileNotifyCabinetInfo, reinterpret_cast<uintptr_t>(&info), 0);
    }

    bool Offer(mscabd_file* entry, bool runsIntoNext) {
        std::u16string name = FromHost(entry->filename);
        FileInCabinetInfo info{};
        info.nameInCabinet = name.c_str();
        info.fileSize = entry->length;
        info.dosDate = DosDate(*entry);
        info.dosTime = DosTime(*entry);
        info.dosAttribs = static_cast<uint16_t>(entry->attribs);
        unsigned answer = callback_(context_, kSpFileNotifyFileInCabinet, reinterpret_cast<uintptr_t>(&info),
                                    reinterpret_cast<uintptr_t>(given_.c_str()));
        switch (answer) {
            case kFileOpSkip:
                return true;
            case kFileOpAbort:
                // The walk ends as a failure, with the error the callback put in the
                // record (none, unless it set one).
                ended_ = true;
                endError_ = info.win32Error;
                return true;
            case kFileOpDoIt:
                return Extract(entry, runsIntoNext, info);
            default:
                return Fail(answer);
        }
    }

    bool Extract(mscabd_file* entry, bool runsIntoNext, FileInCabinetInfo& info) {
        info.fullTargetName[kMaxPath - 1] = 0;
        std::u16string target(info.fullTargetName);
        if (target.empty()) return Fail(kErrPathNotFound);
        if (runsIntoNext && !JoinNextCabinets(*entry)) return false;
        if (Dword error = cabinet_.Extract(entry, target)) return Fail(error);
        FilePaths paths{target.c_str(), given_.c_str(), 0, 0};
        if (unsigned error = callback_(context_, kSpFileNotifyFileExtracted, reinterpret_cast<uintptr_t>(&paths), 0)) {
            return Fail(error);
        }
        return true;
    }

    // Asks for each following cabinet that the entry runs into, and joins it.
    bool JoinNextCabinets(const mscabd_file& entry) {
        mscabd_cabinet* at = cabinet_.Get();
        do {
            // Joined already, for an earlier entry, or asked for now.
            if (!at->nextcab && !AskAndJoin(at)) return false;
            at = at->nextcab;
        } while (RunsOnFrom(*at, entry));
        return true;
    }

    bool AskAndJoin(mscabd_cabinet* last) {
        if (!(last->flags & MSCAB_HDR_NEXTCAB) || !last->nextname) return Fail(kErrInvalidData);
        std::u16string file = FromHost(last->nextname);
        std::u16string disk = TextOrEmpty(last->nextinfo);
        CabinetInfo info{folder_.c_str(), file.c_str(), disk.c_str(), last->set_id,
                         static_cast<uint16_t>(last->set_index + 1)};
        char16_t newPath[kMaxPath] = {};
        if (unsigned error = callback_(context_, kSpFileNotifyNeedNewCabinet, reinterpret_cast<uintptr_t>(&info),
                                       reinterpret_cast<uintptr_t>(newPath))) {
            return Fail(error);
        }
        newPath[kMaxPath - 1] = 0;
        if (newPath[0]) {
            folder_ = sim::FullWindowsPath(newPath);
            if (folder_.back() != u'\\') folder_ += u'\\';
        }
        mscabd_cabinet* joined = nullptr;
        if (Dword error = cabinet_.Append(last, folder_ + file, &joined)) return Fail(error);
        TellCabinet(*joined);
        return true;
    }

    // Whether the entry goes on past this cabinet too.
    bool RunsOnFrom(mscabd_cabinet& cabinet, const mscabd_file& entry) {
        for (const EntryContinuation& mark : Marks(&cabinet)) {
            if (mark.fromPrevious && mark.offset == entry.offset && mark.length == entry.length) return mark.toNext;
        }
        return false;
    }

    std::u16string given_;
    CabinetCallback callback_;
    void* context_;
    std::u16string folder_;  // with its final backslash
    CabinetFile cabinet_;
    bool ended_ = false;
    Dword endError_ = 0;
};

}  // namespace

bool SetupIterateCabinetW(const char16_t* cabinet, Dword /*reserved*/, CabinetCallback callback, void* context) {
    if (Dword fault = sim::InjectFault("SetupIterateCabinetW")) return sim::Fail(fault);
    if (!cabinet) return Fail(kErrInvalidParameter);
    return CabinetWalk(cabinet, callback, context).Run();
}

}  // namespace platform
