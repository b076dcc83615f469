// Inputs that once broke the simulated machine's INF reader, kept from its fuzz target
// as tests/fuzz/inf_regressions/*.inf. Each is written to the machine as a file, opened
// through the platform's INF services the way the fuzz target opened it, and walked
// with every reading call; the readings must agree with each other.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/inf.h"
#include "platform/system.h"
#include "tests/fuzz/inf_walk.h"
#include "tests/platform/test_files.h"
#include "tests/support/test_machine.h"

namespace {

using namespace platform;

std::vector<std::filesystem::path> RegressionInputs() {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(KAVRIN_INF_REGRESSIONS_DIR, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".inf") inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

// The thread's locale for the life of the object.
class ScopedThreadLocale {
public:
    explicit ScopedThreadLocale(Lcid locale) : previous_(GetThreadLocale()) { SetThreadLocale(locale); }
    ~ScopedThreadLocale() { SetThreadLocale(previous_); }

private:
    Lcid previous_;
};

class InfRegressionTest : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(InfRegressionTest, OpensAndReadsConsistently) {
    std::ifstream in(GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::u16string path = testsupport::NewScratchFolder() + u"\\input.inf";
    ASSERT_TRUE(platformtest::WriteWholeFile(path, bytes));

    // The language, style and class follow from the input as in the fuzz target.
    const inftest::OpenChoice choice = inftest::OpenChoiceFor(bytes.size());
    HInf inf;
    {
        ScopedThreadLocale locale(choice.langId);
        unsigned errorLine = 0;
        inf = SetupOpenInfFileW(path.c_str(), choice.infClass, choice.style, &errorLine);
    }
    // A refused file is a fine outcome: the open only must not break.
    if (inf == InvalidInf()) return;
    const std::vector<std::string> problems = inftest::WalkInf(inf);
    SetupCloseInfFile(inf);
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

INSTANTIATE_TEST_SUITE_P(Inputs, InfRegressionTest, testing::ValuesIn(RegressionInputs()),
                         [](const testing::TestParamInfo<std::filesystem::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(InfRegressionTest);

}  // namespace
