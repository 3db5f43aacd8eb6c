// The packet-filter stand-in's readers, which run as root: a ruleset written to it (main or
// anchor, by the choice byte) and its kept state file, taken on to the table it would load. Every
// ruleset it keeps reads back the same.
#include "fuzz_input.h"

#include "pfctl_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    if (input.choice % 2 == 1) {
        PfctlEntry::tableOfState(input.bytes);
        return 0;
    }
    const bool isMain = input.choice % 4 == 0;
    const auto kept = PfctlEntry::parseRuleset(QString::fromUtf8(input.bytes), isMain);
    if (kept && PfctlEntry::parseRuleset(kept->join(u'\n'), isMain) != kept)
        __builtin_trap();
    return 0;
}
