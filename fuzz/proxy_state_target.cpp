// What the proxy tool prints for one proxy, as the system proxy reads it.
#include "fuzz_input.h"

#include "connection/system_proxy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const auto setting = SystemProxy::parse(QString::fromUtf8(input.bytes));
    SystemProxy::pointsAt(setting, {1080, 1081});
    return 0;
}
