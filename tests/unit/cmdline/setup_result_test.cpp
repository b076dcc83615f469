#include <gtest/gtest.h>

#include "cmdline/setup_result.h"

namespace {

TEST(SetupResultName, EveryRowAndTheCodesWithout) {
    struct Case {
        int32_t code;
        const char16_t* name;
    } cases[] = {
        {0, u"SetupSuccess"},
        {1, u"SetupSuccessNeedReboot"},
        {2, u"SetupSuccessNeedRestartDriver"},
        {100, u"SetupErrorNoConfigFile"},
        {101, u"SetupErrorInsuficientPrivileges"},
        {102, u"SetupErrorInvalidArguments"},
        {200, u"SetupErrorInternal"},
        {201, u"SetupErrorNoMemory"},
        {202, u"SetupErrorUnknown"},
        {103, nullptr},
        {-1, nullptr},
        {3, nullptr},
    };
    for (const Case& c : cases) {
        const char16_t* name = SetupResultName(c.code);
        if (!c.name) {
            EXPECT_EQ(nullptr, name) << c.code;
        } else {
            ASSERT_NE(nullptr, name) << c.code;
            EXPECT_EQ(std::u16string(c.name), name);
        }
    }
}

}  // namespace
