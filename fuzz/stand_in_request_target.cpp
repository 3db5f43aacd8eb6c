// The stand-in service's request parser, fed the bytes in pieces as a socket would deliver them;
// a complete request is then read the way the routes read it.
#include "fuzz_input.h"

#include "stand_in_service/http_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    const qsizetype piece = 1 + input.choice % 64;
    HttpRequestParser parser;
    auto state = HttpRequestParser::State::incomplete;
    for (qsizetype at = 0; at < input.bytes.size() && state == HttpRequestParser::State::incomplete; at += piece)
        state = parser.feed(input.bytes.mid(at, piece));
    if (state != HttpRequestParser::State::complete)
        return 0;
    const auto& request = parser.request();
    request.path();
    request.queryItem(QStringLiteral("token"));
    request.header("Content-Type");
    request.cookies("session");
    return 0;
}
