// The public-IP lookup's answer: an address is never taken empty.
#include "fuzz_input.h"

#include "app/ip_info_service.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const auto info = IPInfoService::parseAnswer(input.bytes);
    if (info && info->ip.isEmpty())
        __builtin_trap();
    if (info)
        info->locationText();
    return 0;
}
