#include "stand_in_world.h"

#include "support/api_requests.h"
#include "support/event_waits.h"

#include <QCoroTask>

StandInWorld::StandInWorld()
{
    port = service.listenHttp();
    api = makeApi();
}

std::unique_ptr<ApiService> StandInWorld::makeApi(std::optional<QString> baseUrl)
{
    return std::make_unique<ApiService>(*settings.store, QStringList{baseUrl.value_or(service.baseUrl(port))});
}

void StandInWorld::signInClient()
{
    const auto& account = service.state().account;
    EXPECT_TRUE(QCoro::waitFor(api->login(account.email, account.password)));
}

void StandInWorld::waitUntilAnswersHandled() const
{
    waitUntil([this] { return openRequests(*api) == 0; });
    deliverPostedEvents();
}
