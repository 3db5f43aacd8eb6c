#include "screen_call.h"

#include "api/api_errors.h"
#include "api/records/json_reader.h"

QString failureDescription(const std::exception_ptr& error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const ApiClientError& failure) {
        return failure.description();
    } catch (const DecodingError& failure) {
        return failure.description();
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return QStringLiteral("未知错误");
    }
}
