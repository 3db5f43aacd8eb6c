// The subscription download, the subscription token and the conversion answer: bytes the service
// sends that the application shows, saves or hands to the core.
#include "fuzz_input.h"

#include "api/answer_json.h"
#include "api/answer_readers.h"
#include "api/records/commerce_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput input(data, size);
    try {
        switch (input.choice % 3) {
        case 0:
            AnswerReaders::subscriptionConfig(input.bytes);
            break;
        case 1:
            AnswerReaders::subscriptionToken(input.bytes);
            break;
        default:
            AnswerJson::decodeRecord<ConvertResponse>(input.bytes);
            break;
        }
    } catch (const DecodingError&) {
    }
    return 0;
}
