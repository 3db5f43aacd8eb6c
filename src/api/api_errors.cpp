#include "api/api_errors.h"

namespace {

QString loginDescription(LoginError::Kind kind, const QString& payload)
{
    switch (kind) {
    case LoginError::Kind::network:
        return QStringLiteral("网络错误: ") + payload;
    case LoginError::Kind::http:
        return QStringLiteral("服务器错误: ") + payload;
    case LoginError::Kind::badResponse:
        break;
    }
    return QStringLiteral("服务器响应异常");
}

} // namespace

LoginError::LoginError(Kind kind, const QString& payload)
    : ApiClientError(loginDescription(kind, payload))
    , m_kind(kind)
    , m_payload(payload)
{
}

ApiError::ApiError(Kind kind)
    : ApiClientError(QStringLiteral("服务器响应异常"))
    , m_kind(kind)
{
}
