#include "failure_description.h"

#include "api/api_errors.h"
#include "api/records/json_reader.h"

QString failureDescription(const std::exception& failure)
{
    if (const auto* client = dynamic_cast<const ApiClientError*>(&failure))
        return client->description();
    if (const auto* decoding = dynamic_cast<const DecodingError*>(&failure))
        return decoding->description();
    return QString::fromUtf8(failure.what());
}
