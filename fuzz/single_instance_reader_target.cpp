// What a later launch writes to the running instance, cut into reads where the choice byte says:
// the requests counted are those a whole read finds, and nothing is read past a line too long.
#include "fuzz_input.h"

#include "platform/instance_request_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const qsizetype step = input.choice + 1;
    InstanceRequestReader pieces;
    InstanceRequestReader whole;
    int counted = 0;
    bool overlong = false;
    for (qsizetype at = 0; at < input.bytes.size() && !overlong; at += step) {
        const auto outcome = pieces.feed(input.bytes.mid(at, step));
        counted += outcome.reopenRequests;
        overlong = outcome.overlong;
    }
    const auto once = whole.feed(input.bytes);
    if (counted != once.reopenRequests || overlong != once.overlong)
        __builtin_trap();
    return 0;
}
