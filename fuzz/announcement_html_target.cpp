// An announcement's HTML as the announcements screen turns it into text, and the bounds taken
// before: the conversion costs the thread less than the 100 ms a window may wait, whatever the
// markup, and the bounded HTML is never longer than its limit.
#include "fuzz_input.h"
#include "gui_application.h"

#include "platform/utf8_text.h"
#include "ui/community/bounded_html.h"
#include "ui/community/community_text.h"

#include <chrono>
#include <ctime>

namespace {

std::chrono::nanoseconds threadTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureGuiApplication();
    const FuzzInput input(data, size);
    const auto html = decodeUtf8(input.bytes);
    if (!html)
        return 0;
    if (BoundedHtml::bounded(*html).size() > BoundedHtml::maxLength)
        __builtin_trap();
    const auto start = threadTime();
    CommunityText::htmlToText(*html);
    if (threadTime() - start > std::chrono::milliseconds(100))
        __builtin_trap();
    return 0;
}
