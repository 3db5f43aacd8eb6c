#include "commerce_world.h"

#include "ui/commerce/qr_image.h"
#include "ui/common/icon_button.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QProcess>

void clickClose(QWidget& sheet)
{
    auto* close = sheet.findChild<IconButton*>(QStringLiteral("closeButton"));
    ASSERT_TRUE(close);
    close->click();
    deliverPostedEvents();
}

CommerceWorld::CommerceWorld()
{
    service.state().qrImage = &QrImage::encodePng;
    service.state().plans = editionPlans();
    signInClient();
    service.clearRequests();
}

CommerceServices CommerceWorld::services()
{
    return {
        .api = *api,
        // The look the sheets are built in, as the shell hands over the one it applied.
        .theme = appliedTheme(),
        .notifier = notifier,
        .serviceAddress = serviceAddress,
        .makePollBeat = [control = beat] { return std::make_unique<FakeBeat>(control); },
    };
}

StandInService::Override answerOnce(int status, const QByteArray& body, const QByteArray& contentType)
{
    StandInService::Override override;
    override.status = status;
    override.body = body;
    override.contentType = contentType;
    override.times = 1;
    return override;
}

StandInService::Override slowOnce(std::chrono::milliseconds delay)
{
    StandInService::Override override;
    override.delay = delay;
    override.times = 1;
    return override;
}

StandInService::Override droppedConnection(int times)
{
    StandInService::Override override;
    override.drop = true;
    override.times = times;
    return override;
}

QJsonArray CommerceWorld::editionPlans()
{
    auto plan
        = [](qint64 id, const QString& name, double traffic, double price, const QString& period, const QString& tag) {
              QJsonObject object{{QStringLiteral("id"), id},           {QStringLiteral("name"), name},
                                 {QStringLiteral("traffic"), traffic}, {QStringLiteral("price"), price},
                                 {QStringLiteral("nodes"), 15},        {QStringLiteral("devices"), 3}};
              if (!period.isEmpty())
                  object.insert(QStringLiteral("period"), period);
              if (!tag.isEmpty())
                  object.insert(QStringLiteral("tag"), tag);
              return object;
          };
    return {
        plan(1, QStringLiteral("体验版"), 10, 0, QStringLiteral("month"), QStringLiteral("免费")),
        plan(2, QStringLiteral("标准版(月付)"), 200, 29.9, QStringLiteral("month"), QStringLiteral("热门")),
        plan(3, QStringLiteral("专业版(季付)"), 800, 89.7, QStringLiteral("quarter"), QStringLiteral("推荐")),
        plan(4, QStringLiteral("标准版(年付)"), 2400, 299, QStringLiteral("year"), QString()),
        plan(5, QStringLiteral("Special"), 100, 100, QString(), QString()),
        plan(6, QStringLiteral("商业版 (年付)"), 6000, 998, QStringLiteral("year"), QString()),
    };
}

QList<QJsonObject> CommerceWorld::postsTo(const QString& path) const
{
    QList<QJsonObject> bodies;
    for (const auto& request : service.requestsTo(path)) {
        if (request.method == "POST")
            bodies.append(QJsonDocument::fromJson(request.body).object());
    }
    return bodies;
}

QStringList CommerceWorld::decodeQr(const QString& imagePath)
{
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"), imagePath});
    if (!zbar.waitForFinished(20000))
        return {};
    return QString::fromUtf8(zbar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
