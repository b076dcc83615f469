// The fuzz target of the simulated machine's INF reader (clang's libFuzzer): each input
// is the bytes of an INF file. It enters where SetupOpenInfFileW goes once the file is
// read, so no file is written and no machine is needed, then walks the open INF with
// every reading call. A crash, a sanitizer report or readings that contradict each
// other end the run.
//
//   inf_fuzz -dict=tests/fuzz/inf.dict CORPUS_DIR tests/fuzz/inf_seeds

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/inf.h"
#include "platform/sim/inf_open.h"
#include "platform/sim/machine.h"
#include "tests/fuzz/inf_walk.h"

namespace {

// The folders of a default simulated machine, as the regression test's machine has them.
platform::sim::inf::Folders DefaultFolders() {
    platform::sim::MachineSettings settings;
    platform::sim::ChooseFolders(settings);
    platform::sim::inf::Folders folders;
    folders.windows = settings.windowsDir;
    folders.system = settings.systemDir;
    folders.programFiles = settings.programFilesDir;
    folders.profile = settings.profileDir;
    folders.osMajor = settings.osMajor;
    return folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const platform::sim::inf::Folders folders = DefaultFolders();
    const inftest::OpenChoice choice = inftest::OpenChoiceFor(size);
    platform::sim::inf::OpenOptions options;
    options.path = u"C:\\pkg\\fuzz.inf";
    options.folders = folders;
    options.langId = choice.langId;
    options.infClass = choice.infClass;
    options.style = choice.style;
    unsigned errorLine = 0;
    platform::HInf inf = platform::sim::inf::OpenInfFromBytes(
        std::string(reinterpret_cast<const char*>(data), size), options, &errorLine);
    if (inf == platform::InvalidInf()) return 0;
    const std::vector<std::string> problems = inftest::WalkInf(inf);
    platform::SetupCloseInfFile(inf);
    if (!problems.empty()) {
        for (const std::string& p : problems) std::fprintf(stderr, "inf_fuzz: %s\n", p.c_str());
        std::abort();
    }
    return 0;
}
