#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testsupport::SetUpMachine();
    int result = RUN_ALL_TESTS();
    testsupport::TearDownMachine();
    return result;
}
