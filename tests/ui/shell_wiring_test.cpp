// The shell's wiring as main() builds it: the real application context (over fakes of the system
// and the stand-in service on loopback), the real ShellContext and the application on top, driven
// through the window as a user would. A connection missed in ShellContext shows up here instead of
// when a user clicks.
#include "platform/text_table.h"
#include "stand_in_world.h"
#include "support/event_waits.h"
#include "support/fake_app_environment.h"
#include "ui/commerce/converter_view.h"
#include "ui/commerce/purchase_view.h"
#include "ui/commerce/subscription_view.h"
#include "ui/community/invite_view.h"
#include "ui/community/support_view.h"
#include "ui/community/traffic_log_view.h"
#include "ui/community/withdraw_view.h"
#include "ui/shell/content_view.h"
#include "ui/shell/main_window.h"
#include "ui/shell/shell_context.h"
#include "ui/shell/velmorand_app.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

namespace {

QString t(const char16_t* key) { return i18n::tr(QString::fromUtf16(key)); }

// The first button under `root` that shows `text`, as its label or as the name a screen reader reads.
QAbstractButton* buttonNamed(const QWidget& root, const QString& text)
{
    for (auto* button : root.findChildren<QAbstractButton*>()) {
        if (button->text() == text || button->accessibleName() == text)
            return button;
    }
    return nullptr;
}

// The dialogs under `root` on screen now.
QList<QDialog*> openSheets(const QWidget& root)
{
    QList<QDialog*> open;
    for (auto* dialog : root.findChildren<QDialog*>()) {
        if (dialog->isVisible())
            open.append(dialog);
    }
    return open;
}

// The first top-level widget of type `W` with `objectName` (any name when empty) that is on screen,
// or hidden too when `visibleOnly` is false.
template <typename W>
W* topLevel(const QString& objectName = {}, bool visibleOnly = true)
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        auto* found = qobject_cast<W*>(widget);
        if (found && (objectName.isEmpty() || found->objectName() == objectName)
            && (!visibleOnly || found->isVisible()))
            return found;
    }
    return nullptr;
}

class ShellWiringTest : public ::testing::Test {
protected:
    ShellWiringTest()
    {
        // As main() does: closing the last window quits only where the delegate says so.
        QApplication::setQuitOnLastWindowClosed(app.delegate()->applicationShouldTerminateAfterLastWindowClosed());
        app.launch();
    }

    AppContext::Environment environment()
    {
        auto environment = fakeAppEnvironment(dir, {service.baseUrl(port)});
        // The fake core counts as running once started: no port of ours is asked for.
        environment.xrayOptions.listenPorts = {};
        installCore(environment.xrayOptions.resourcesDir);
        // No public address lookup leaves the machine.
        environment.ipEndpoints = {};
        return environment;
    }

    // The service's nodes on loopback: the latency probes after sign-in stay on this machine.
    static quint16 listenWithNodesOnLoopback(StandInService& service)
    {
        QJsonArray nodes;
        for (const auto& value : service.state().nodes) {
            auto node = value.toObject();
            node.insert(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
            nodes.append(node);
        }
        service.state().nodes = nodes;
        return service.listenHttp();
    }

    // Files where the engine looks for its core; the core itself is never run (the launcher is a fake).
    static void installCore(const QString& resourcesDir)
    {
        QDir().mkpath(resourcesDir);
        for (const auto* name : {"xray", "geoip.dat", "geosite.dat"}) {
            QFile file(QDir(resourcesDir).filePath(QLatin1String(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(name);
        }
    }

    ContentView* content() const { return app.window()->content(); }

    // Types the seeded account into the sign-in screen and waits for the main window's full face.
    void signInAsAUser()
    {
        StandInWorld::waitUntil([&] { return content()->face() == ContentView::Face::signIn; });
        const auto& account = service.state().account;
        auto* window = app.window();
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("emailField")), account.email);
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("passwordField")), account.password);
        QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("signInButton")), Qt::LeftButton);
        StandInWorld::waitUntil(
            [&] { return content()->face() == ContentView::Face::full && !context.appState().nodes().isEmpty(); });
    }

    // Clicks the control on the window's sidebar or screen that shows `text`.
    void clickNamed(const QString& text)
    {
        auto* button = buttonNamed(*app.window(), text);
        ASSERT_TRUE(button) << text.toStdString();
        ASSERT_TRUE(button->isEnabled()) << text.toStdString();
        button->click();
        deliverPostedEvents();
    }

    // Runs the main event loop, as main() does, with `userAction` as its first event, and expects the
    // action to end the loop through the application's quit.
    void expectQuitAfter(std::function<void()> userAction)
    {
        // A loop still running after the limit ends with a code of its own.
        constexpr int stillRunning = 2;
        QTimer::singleShot(0, &app, std::move(userAction));
        QTimer::singleShot(std::chrono::seconds(20), &app, [] { QCoreApplication::exit(stillRunning); });
        EXPECT_EQ(QCoreApplication::exec(), 0) << "the application was asked to quit";
    }

    StandInService service;
    quint16 port = listenWithNodesOnLoopback(service);
    QTemporaryDir dir;
    AppContext context{environment()};
    ShellContext shell{context};
    VelmorandApp app{shell.appServices()};
};

TEST_F(ShellWiringTest, ConnectFromTheNodeListReachesTheEngine)
{
    QList<ConnectionState> states;
    QObject::connect(&context.notifier(), &AppEvents::vpnStateChanged, &app,
                     [&states, &engine = context.vpnManager()] { states.append(engine.state()); });
    signInAsAUser();
    const auto nodes = context.appState().nodes();
    const auto online = std::find_if(nodes.cbegin(), nodes.cend(), [](const Node& n) { return n.isOnline(); });
    ASSERT_NE(online, nodes.cend());
    const Node node = *online;

    clickNamed(t(u"节点列表"));
    auto* list = app.window()->findChild<QListView*>(QStringLiteral("nodeList"));
    ASSERT_TRUE(list);
    StandInWorld::waitUntil([&] {
        return !list->model()
                    ->match(list->model()->index(0, 0), Qt::DisplayRole, node.name, 1, Qt::MatchExactly)
                    .isEmpty();
    });
    const auto row
        = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, node.name, 1, Qt::MatchExactly).first();
    list->scrollTo(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    deliverPostedEvents();
    auto* connect = app.window()->findChild<QAbstractButton*>(QStringLiteral("nodeConnectButton"));
    ASSERT_TRUE(connect && connect->isVisible()) << "the selected node's bar offers to connect";
    EXPECT_TRUE(states.isEmpty()) << "nothing asked of the engine before the click";
    connect->click();

    StandInWorld::waitUntil([&] { return states.contains(ConnectionState::connecting); });
    StandInWorld::waitUntil([&] {
        const auto active = context.vpnManager().connectedNode();
        return active && active->id == node.id;
    });
}

TEST_F(ShellWiringTest, TheAccountScreenOpensEachSheetOverTheService)
{
    signInAsAUser();
    struct Case {
        const char16_t* control;
        const char* sheet;
        // What the sheet asks of the service as it opens; none for a sheet that waits for input.
        const char* request;
    };
    const Case cases[] = {
        {u"购买套餐", PurchaseView::staticMetaObject.className(), "/api/plans"},
        {u"订阅链接", SubscriptionView::staticMetaObject.className(), "/api/subscription"},
        {u"流量明细", TrafficLogView::staticMetaObject.className(), "/api/user/traffic_log"},
        {u"邀请返利", InviteView::staticMetaObject.className(), "/api/user/invite"},
        {u"提现", WithdrawView::staticMetaObject.className(), "/api/user/withdraws"},
        {u"转换器", ConverterView::staticMetaObject.className(), nullptr},
        {u"联系客服", SupportView::staticMetaObject.className(), "/api/tickets"},
    };
    auto* account = app.window()->findChild<QAbstractButton*>(QStringLiteral("accountRow"));
    ASSERT_TRUE(account);
    account->click();
    deliverPostedEvents();
    for (const auto& c : cases) {
        const auto control = t(c.control);
        SCOPED_TRACE(control.toStdString());
        service.clearRequests();
        ASSERT_TRUE(openSheets(*app.window()).isEmpty());
        clickNamed(control);
        const auto sheets = openSheets(*app.window());
        ASSERT_EQ(sheets.size(), 1);
        QPointer<QDialog> sheet = sheets.first();
        EXPECT_STREQ(sheet->metaObject()->className(), c.sheet);
        if (c.request) {
            StandInWorld::waitUntil([&] { return !service.requestsTo(QLatin1String(c.request)).isEmpty(); });
        }
        sheet->close();
        StandInWorld::waitUntil([&] { return sheet.isNull(); });
    }
}

TEST_F(ShellWiringTest, QuitFromTheStatusPopoverEndsTheApplication)
{
    auto* popover = topLevel<QWidget>(QStringLiteral("menuBarPopover"), false);
    ASSERT_TRUE(popover);
    popover->show();
    auto* quit = buttonNamed(*popover, t(u"退出"));
    ASSERT_TRUE(quit);
    expectQuitAfter([quit] {
        quit->click();
        auto* confirmation = topLevel<QMessageBox>();
        auto* confirm = confirmation ? buttonNamed(*confirmation, t(u"退出")) : nullptr;
        ASSERT_TRUE(confirm) << "the quit is confirmed first";
        confirm->click();
    });
}

TEST_F(ShellWiringTest, ClosingTheWindowWithoutAStatusAreaEndsTheApplication)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the test platform has no status area";
    expectQuitAfter([this] { app.window()->close(); });
}

} // namespace
