// The statistics service's answer as the traffic monitor reads it: gRPC framing around protobuf
// counters.
#include "fuzz_input.h"

#include "stats_query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    StatsQuery::parseResponse(input.bytes);
    return 0;
}
