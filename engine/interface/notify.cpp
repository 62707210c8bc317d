#include "interface/notify.h"

#include "interface/host_records.h"
#include "interface/platform.h"

void notifyHost(int32_t code, uint8_t* record) {
    const int32_t hostParam1 = HostRecord::readI32(record, HostRecord::HostParam1);
    const int32_t hostParam2 = HostRecord::readI32(record, HostRecord::HostParam2);
    Func3(code, hostParam1, hostParam2, record);
}
