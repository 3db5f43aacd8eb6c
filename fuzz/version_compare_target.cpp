// Two version texts of the service's answer, split at the first line feed: the order is a
// consistent one whatever they hold.
#include "fuzz_input.h"

#include "app/version_compare.h"
#include "platform/utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const auto text = decodeUtf8(input.bytes);
    if (!text)
        return 0;
    const auto cut = text->indexOf(u'\n');
    const auto a = cut < 0 ? *text : text->left(cut);
    const auto b = cut < 0 ? QString() : text->mid(cut + 1);
    const auto sign = [](int value) { return (value > 0) - (value < 0); };
    if (Versions::compare(a, a) != 0 || sign(Versions::compare(a, b)) != -sign(Versions::compare(b, a)))
        __builtin_trap();
    Versions::isStrictDotted(a);
    return 0;
}
