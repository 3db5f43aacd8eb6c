// An announcement's HTML as the announcements screen turns it into text, and the bounds taken
// before: the conversion ends quickly whatever the markup, and the bounded HTML is never longer
// than its limit.
#include "fuzz_input.h"
#include "gui_application.h"

#include "platform/utf8_text.h"
#include "ui/community/bounded_html.h"
#include "ui/community/community_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const FuzzInput input(data, size);
    const auto html = decodeUtf8(input.bytes);
    if (!html)
        return 0;
    if (BoundedHtml::bounded(*html).size() > BoundedHtml::maxLength)
        __builtin_trap();
    CommunityText::htmlToText(*html);
    return 0;
}
