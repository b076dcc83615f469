#include "cmdline/setup_result.h"

namespace {

struct ResultRow {
    int32_t code;
    const char16_t* name;
};

// Searched in this order; the first row with the code wins.
constexpr ResultRow kResultTable[] = {
    {SetupSuccess, u"SetupSuccess"},
    {SetupSuccessNeedReboot, u"SetupSuccessNeedReboot"},
    {SetupSuccessNeedRestartDriver, u"SetupSuccessNeedRestartDriver"},
    {SetupErrorNoConfigFile, u"SetupErrorNoConfigFile"},
    {SetupErrorInsuficientPrivileges, u"SetupErrorInsuficientPrivileges"},
    {SetupErrorInvalidArguments, u"SetupErrorInvalidArguments"},
    {SetupErrorInternal, u"SetupErrorInternal"},
    {SetupErrorNoMemory, u"SetupErrorNoMemory"},
    {SetupErrorUnknown, u"SetupErrorUnknown"},
};

}  // namespace

const char16_t* SetupResultName(int32_t code) {
    for (const ResultRow& row : kResultTable) {
        if (row.code == code) return row.name;
    }
    return nullptr;
}
