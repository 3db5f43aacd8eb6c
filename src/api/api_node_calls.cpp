// Node list, announcements and version check.
#include "api/api_service.h"

#include "api/answer_json.h"
#include "api/answer_readers.h"

QCoro::Task<QList<Node>> ApiService::fetchNodes()
{
    co_return AnswerReaders::nodeList(co_await get(QStringLiteral("/api/nodes")));
}

QCoro::Task<QList<Announcement>> ApiService::fetchAnnouncements()
{
    co_return AnswerReaders::announcements(co_await get(QStringLiteral("/api/announcements")));
}

QCoro::Task<std::optional<AppVersionResponse>> ApiService::checkVersion(QString platform)
{
    // The platform text goes into the query as it is.
    co_return AnswerJson::decodeRecord<AppVersionResponse>(
        co_await get(QStringLiteral("/api/app_version?platform=") + platform));
}
