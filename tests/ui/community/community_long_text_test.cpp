// The server dashboard, the withdrawal, invitation and traffic sheets and the ticket list with texts
// from the service longer than their room: words, one word without a space, and hostile text, in
// every language. Each long text shows on one line cut to its share; every figure, badge and
// button stays whole inside the screen, which is no larger than with ordinary data.
#include "community_world.h"
#include "outside_text.h"
#include "support/qt_printers.h"
#include "support/screenshot.h"
#include "support/table_row.h"
#include "ui/community/invite_view.h"
#include "ui/community/server_dashboard_view.h"
#include "ui/community/support_view.h"
#include "ui/community/traffic_log_view.h"
#include "ui/community/withdraw_view.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include <cstdlib>
#include <functional>

namespace {

// Every long text is at least this long; every ordinary one is far shorter.
constexpr int longLength = 400;

bool isLong(const QString& text) { return text.size() >= longLength; }

// A long text of words, which a wrapping label could break between them.
QString longWords(const QString& tag)
{
    QString text = tag;
    while (text.size() < longLength)
        text += QStringLiteral(" 很长的文字 long words");
    return text;
}

// A long text without a space, which nothing can break between words.
QString longWord(const QString& tag) { return tag + QString(longLength - tag.size(), QLatin1Char('W')); }

struct Variant {
    const char* name;
    QString (*text)(const QString& tag);
};

const Variant variants[] = {{"words", longWords}, {"one-word", longWord}, {"hostile", hostileText}};

void setField(QJsonArray& array, qsizetype index, const QString& key, const QString& value)
{
    auto object = array[index].toObject();
    object[key] = value;
    array[index] = object;
}

// A label or button under `root` shows what it holds: a one-line label whole unless its text is
// a long one, which it cuts on one line; every other label and button at least as wide as it
// asks. Returns how many labels showed a long text.
int expectLongTextsCutAndTheRestWhole(const QWidget& root)
{
    int cut = 0;
    for (const auto* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->text().isEmpty())
            continue;
        SCOPED_TRACE(label->objectName().toStdString() + " " + label->text().left(30).toStdString());
        const auto* text = qobject_cast<const TextLabel*>(label);
        if (text && text->isOneLine()) {
            if (isLong(text->text())) {
                expectOnOneLine(*text, text->text());
                ++cut;
            } else {
                EXPECT_EQ(text->shownText(), oneLine(text->text())) << "whole";
            }
        } else if (!label->wordWrap()) {
            EXPECT_FALSE(isLong(label->text())) << "a long text on a label that does not cut it";
            EXPECT_GE(label->width(), label->sizeHint().width()) << "whole";
        }
    }
    for (const auto* button : root.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&root)
            || !(qobject_cast<const QPushButton*>(button) || qobject_cast<const QToolButton*>(button)))
            continue;
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_GE(button->width(), button->sizeHint().width()) << "whole";
    }
    return cut;
}

struct Screen {
    const char* name;
    // Puts long texts, made by `text` from a tag, into the service's answers.
    std::function<void(StandInState& state, QString (*text)(const QString&))> lengthen;
    // How many labels then show a long text.
    int longLabels;
    // Opens the screen over `world` (a sheet over its window) and waits for its data.
    std::function<QWidget*(CommunityWorld& world)> open;
};

template <typename Sheet>
std::function<QWidget*(CommunityWorld&)> sheet()
{
    return [](CommunityWorld& world) -> QWidget* { return openLoaded<Sheet>(world.window, {.api = *world.api}); };
}

QWidget* openServerDashboard(CommunityWorld& world)
{
    auto* view = new ServerDashboardView({.api = *world.api, .makeTimer = world.manualTimers()}, &world.window);
    // As wide as the tab in a window of the default size: four tiles in a row, the narrowest
    // that shows the seeded status whole.
    view->resize(760, 860);
    view->show();
    CommunityWorld::waitUntil([view] { return !view->isLoading(); });
    settle();
    return view;
}

QWidget* openTicketList(CommunityWorld& world)
{
    return openLoaded<SupportView>(world.window, {.api = *world.api, .makeTimer = world.manualTimers()});
}

const Screen screens[] = {
    {"server-dashboard",
     [](StandInState& state, auto text) {
         setField(state.inbounds, 0, QStringLiteral("remark"), text(QStringLiteral("remark")));
         setField(state.inbounds, 1, QStringLiteral("protocol"), text(QStringLiteral("protocol")));
         state.serverStatus[QStringLiteral("xray_uptime")] = text(QStringLiteral("uptime"));
         state.serverStatus[QStringLiteral("server_uptime")] = text(QStringLiteral("started"));
         state.serverStatus[QStringLiteral("load_avg")] = text(QStringLiteral("load"));
         state.connections[text(QStringLiteral("port"))] = 5;
     },
     6, openServerDashboard},
    {"withdraw",
     [](StandInState& state, auto text) {
         state.withdraws[0].status = text(QStringLiteral("status"));
         state.withdraws[1].createdAt = text(QStringLiteral("date"));
         state.withdraws.append({203, 12.5, text(QStringLiteral("status")), {}, text(QStringLiteral("date"))});
     },
     4, sheet<WithdrawView>()},
    {"invite",
     [](StandInState& state, auto text) {
         setField(state.commissions, 0, QStringLiteral("status"), text(QStringLiteral("commission")));
         setField(state.invitedUsers, 0, QStringLiteral("email"), text(QStringLiteral("mail")));
         setField(state.invitedUsers, 1, QStringLiteral("created_at"), text(QStringLiteral("joined")));
         setField(state.invitedUsers, 2, QStringLiteral("email"), text(QStringLiteral("other mail")));
         setField(state.invitedUsers, 2, QStringLiteral("created_at"), text(QStringLiteral("joined")));
     },
     5, sheet<InviteView>()},
    {"traffic-log",
     [](StandInState& state, auto text) {
         setField(state.trafficLog, 0, QStringLiteral("date"), text(QStringLiteral("day")));
     },
     1, sheet<TrafficLogView>()},
    {"ticket-list",
     [](StandInState& state, auto text) {
         auto& ticket = state.tickets.first();
         ticket.subject = text(QStringLiteral("subject"));
         ticket.updatedAt = text(QStringLiteral("updated"));
         ticket.messages.last().content = text(QStringLiteral("message"));
         // Open, so that the date shares its line with the tag saying so.
         ticket.status = QStringLiteral("open");
     },
     2, openTicketList},
};

// Renders the screen as it opens and scrolled to its end, for a person to look at.
void shoot(QWidget& screen, const QString& name)
{
    EXPECT_FALSE(saveScreenshot(screen, name).isEmpty());
    for (auto* area : screen.findChildren<QAbstractScrollArea*>())
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    EXPECT_FALSE(saveScreenshot(screen, name + QStringLiteral("-end")).isEmpty());
}

// Closes the screen and sees it gone (a sheet deletes itself once closed).
void close(QWidget* screen)
{
    QPointer<QWidget> left = screen;
    screen->close();
    settle();
    delete left.data();
    settle();
}

} // namespace

TEST(CommunityLongText, EveryLongTextGivesWayAndTheScreenKeepsItsSizeInEveryLanguage)
{
    CommunityWorld world;
    const StandInState ordinary = world.service.state();
    for (const auto& screen : screens) {
        for (const auto language : allAppLanguages) {
            const std::string where = std::string(screen.name) + " " + rawValue(language).toStdString();
            SCOPED_TRACE(where);
            LanguageScope scope(language);
            world.service.state() = ordinary;
            auto* shown = screen.open(world);
            const QSize size = shown->size();
            expectContentFitsItsWindow(*shown);
            EXPECT_EQ(expectLongTextsCutAndTheRestWhole(*shown), 0);
            shoot(*shown,
                  QStringLiteral("community-long-%1-ordinary-%2").arg(QLatin1String(screen.name), rawValue(language)));
            close(shown);

            for (const auto& variant : variants) {
                SCOPED_TRACE(variant.name);
                world.service.state() = ordinary;
                screen.lengthen(world.service.state(), variant.text);
                shown = screen.open(world);
                EXPECT_EQ(shown->size(), size);
                expectEveryLabelPlain(*shown);
                expectContentFitsItsWindow(*shown);
                EXPECT_EQ(expectLongTextsCutAndTheRestWhole(*shown), screen.longLabels);
                shoot(*shown,
                      QStringLiteral("community-long-%1-%2-%3")
                          .arg(QLatin1String(screen.name), QLatin1String(variant.name), rawValue(language)));
                close(shown);
            }
        }
    }
}

TEST(CommunityLongText, AnInvitedUsersEmailAndDateEachKeepTheirShare)
{
    const QString email = QStringLiteral("zh***@gmail.com");
    const QString date = QStringLiteral("2025-03-07 14:05:33");
    struct Case {
        QString email, joined;
    };
    QList<Case> cases{{email, date}};
    for (const auto& variant : variants) {
        cases.append({variant.text(QStringLiteral("mail")), date});
        cases.append({email, variant.text(QStringLiteral("joined"))});
        cases.append({variant.text(QStringLiteral("mail")), variant.text(QStringLiteral("joined"))});
    }
    CommunityWorld world;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email.left(20).toStdString() + " / " + c.joined.left(20).toStdString());
        world.service.state().invitedUsers
            = {QJsonObject{{QStringLiteral("email"), c.email}, {QStringLiteral("created_at"), c.joined}}};
        auto* view = openLoaded<InviteView>(world.window, {.api = *world.api});
        const auto* row = view->findChild<QWidget*>(QStringLiteral("invitedUser"));
        ASSERT_TRUE(row);
        const auto labels = row->findChildren<TextLabel*>();
        ASSERT_EQ(labels.size(), 2);
        const auto* shownEmail = labels[0];
        const auto* shownDate = labels[1];
        ASSERT_EQ(shownEmail->text(), c.email);
        for (const auto* label : {shownEmail, shownDate}) {
            if (isLong(label->text())) {
                expectOnOneLine(*label, label->text());
            } else {
                EXPECT_EQ(label->shownText(), label->text()) << "an ordinary text beside it stays whole";
            }
        }
        // Two long ones share the row evenly.
        if (isLong(c.email) && isLong(c.joined)) {
            EXPECT_LE(std::abs(shownEmail->width() - shownDate->width()), 1);
        }
        EXPECT_LE(shownDate->geometry().right(), row->contentsRect().right());
        close(view);
    }
}
