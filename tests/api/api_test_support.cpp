#include "api_test_support.h"

#include "platform/settings_keys.h"

#include <QMutex>

namespace api_test {

namespace {

QMutex captureMutex;
QStringList captured;
QtMessageHandler previousHandler = nullptr;

void captureHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("[ApiService] "))) {
        QMutexLocker lock(&captureMutex);
        captured.append(message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

LogCapture::LogCapture()
{
    clear();
    previousHandler = qInstallMessageHandler(captureHandler);
}

LogCapture::~LogCapture() { qInstallMessageHandler(previousHandler); }

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&captureMutex);
    return captured;
}

qsizetype LogCapture::count(const QString& prefix) const
{
    const auto all = lines();
    return std::count_if(all.begin(), all.end(), [&](const QString& line) { return line.startsWith(prefix); });
}

void LogCapture::clear()
{
    QMutexLocker lock(&captureMutex);
    captured.clear();
}

StandInService::Override answer(int status, const QByteArray& body)
{
    StandInService::Override override;
    override.status = status;
    override.body = body;
    return override;
}

ApiService::Options ApiTest::fastOptions()
{
    ApiService::Options options;
    options.requestTimeout = 1500ms;
    options.probeTimeout = 1000ms;
    return options;
}

std::unique_ptr<ApiService> ApiTest::makeClient(const QStringList& pool, ApiService::Options options)
{
    return std::make_unique<ApiService>(*settings.store, pool, std::move(options));
}

void ApiTest::signIn(ApiService& client)
{
    const auto& account = service.state().account;
    ASSERT_TRUE(awaitTask(client.login(account.email, account.password)));
}

void ApiTest::answerWith(const QString& path, const QByteArray& body, int status)
{
    service.setOverride(path, answer(status, body));
}

qint64 ApiTest::storedIndex() const { return settings.store->intOr(SettingsKeys::activeDomainIndex, -1); }

void ApiTest::storeIndex(qint64 index) { settings.store->setValue(SettingsKeys::activeDomainIndex, index); }

QString ApiTest::closedUrl()
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(StandInService::closedPort());
}

} // namespace api_test
