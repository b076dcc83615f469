#include "devmgr/adapter_state.h"

#include "log/log.h"

// FIXME: the adapter is not yet found among the network devices nor disabled or
// enabled; every change reports failure, so no restart waits or enables.
bool ChangeAdapterState(const std::u16string& adapterId, AdapterState state) {
    LogPrint(0, u"ChangeAdapterState( \"%s\", %s ): adapter control is not available in this build.\n",
             adapterId, state == AdapterState::Disable ? u"disable" : u"enable");
    return false;
}
