#include "outside_text.h"
#include "support/event_waits.h"
#include "support/screenshot.h"
#include "ui/common/button.h"
#include "ui/shell/download_progress_view.h"
#include "ui/shell/update_dialogs.h"

#include "app/app_events.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QMessageBox* openBox()
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

TEST(UpdateDialogs, AnAlertAnswersTheButtonPressed)
{
    struct Case {
        int press; // -1: closed with Escape
        int answer;
    };
    for (const auto& c : {Case{0, 0}, Case{1, 1}, Case{-1, -1}}) {
        SCOPED_TRACE(testing::Message() << "press " << c.press);
        AppEvents hub;
        UpdateDialogs dialogs(hub);
        auto task = dialogs.alert(QStringLiteral("发现新版本 v9.9.9"), QStringLiteral("当前版本: v1.0.0"),
                                  {QStringLiteral("下载更新"), QStringLiteral("稍后")});
        QMessageBox* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = openBox()) != nullptr; }, 2000));
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("下载更新"));
        EXPECT_EQ(box->informativeText(), QStringLiteral("当前版本: v1.0.0"));
        if (c.press >= 0)
            box->buttons()[c.press]->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_EQ(QCoro::waitFor(std::move(task)), c.answer);
    }
}

TEST(UpdateDialogs, EscapeAndTheCloseButtonDismissWithoutPressingQuit)
{
    for (const bool escape : {true, false}) {
        AppEvents hub;
        UpdateDialogs dialogs(hub);
        auto task = dialogs.alert(QStringLiteral("发现新版本 v9.9.9"), QStringLiteral("当前版本: v1.0.0"),
                                  {QStringLiteral("下载更新"), QStringLiteral("退出")});
        QMessageBox* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = openBox()) != nullptr; }, 2000));
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
        EXPECT_EQ(QCoro::waitFor(std::move(task)), -1) << (escape ? "Escape" : "close button");
    }
}

TEST(DownloadProgressView, FollowsTheDownloadAndOffersTheInstall)
{
    int cancels = 0;
    int installs = 0;
    AppEvents hub;
    DownloadProgressView view(
        hub, QStringLiteral("2.1.0"), [&] { ++cancels; }, [&] { ++installs; });
    auto* percent = view.findChild<QLabel*>(QStringLiteral("percent"));
    EXPECT_EQ(percent->text(), QStringLiteral("0%"));
    emit hub.downloadProgress(0.426);
    EXPECT_EQ(percent->text(), QStringLiteral("42%"));
    EXPECT_DOUBLE_EQ(view.progress(), 0.426);
    saveScreenshot(view, QStringLiteral("update-download-running"));
    view.findChild<Button*>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(cancels, 1);

    emit hub.downloadComplete(QStringLiteral("/tmp/x/Velmorand-v2.1.0.dmg"));
    EXPECT_TRUE(view.isComplete());
    EXPECT_DOUBLE_EQ(view.progress(), 1.0);
    saveScreenshot(view, QStringLiteral("update-download-complete"));
    view.findChild<Button*>(QStringLiteral("installButton"))->click();
    EXPECT_EQ(installs, 1);
    EXPECT_EQ(DownloadProgressView::percentText(0.999), QStringLiteral("99%"));
}

TEST(UpdateDialogs, TheDownloadWindowClosesThroughTheActionItGives)
{
    AppEvents hub;
    UpdateDialogs dialogs(hub);
    const auto close = dialogs.openDownloadWindow(
        QStringLiteral("2.1.0"), [] {}, [] {});
    QPointer<QWidget> window;
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<DownloadProgressView*>(widget))
            window = widget;
    }
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("正在下载 v2.1.0"));
    close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
    close(); // harmless once closed
}

} // namespace

// The version comes from the service: in the alert and the download window it shows as written
// and leaves the download window its width.
TEST(UpdateDialogs, AHostileVersionShowsAsWritten)
{
    const QString version = hostileText(QStringLiteral("9.9.9"));
    AppEvents hub;
    UpdateDialogs dialogs(hub);
    auto task = dialogs.alert(QStringLiteral("发现新版本 v") + version, QStringLiteral("当前版本: v") + version,
                              {QStringLiteral("下载更新"), QStringLiteral("稍后")});
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = openBox()) != nullptr; }, 2000));
    expectEveryLabelPlain(*box);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(QCoro::waitFor(std::move(task)), -1);

    DownloadProgressView view(
        hub, version, [] {}, [] {});
    view.resize(320, 250);
    view.show();
    deliverPostedEvents();
    EXPECT_EQ(view.width(), 320);
    expectContentFitsItsWindow(view);
    expectEveryLabelPlain(view);
    const auto titles = labelsShowing(view, QStringLiteral("正在下载 v") + version + QStringLiteral("..."));
    ASSERT_EQ(titles.size(), 1);
    expectOnOneLine(*titles.first(), titles.first()->text());
    EXPECT_FALSE(saveScreenshot(view, QStringLiteral("update-download-hostile-version")).isEmpty());
}
