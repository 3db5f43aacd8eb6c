// The connection card's texts and the kill switch's notice in every interface language: each is
// the table's text in that language, and outside Chinese not the key itself, so that a text
// shown without the lookup, or kept from another language, fails here.
#include "dashboard_fixture.h"
#include "support/qt_printers.h"
#include "support/scoped_language.h"

#include "ui/common/row_button.h"
#include "ui/dashboard/block_notice.h"
#include "ui/dashboard/connection_card.h"

#include <QLabel>

namespace {

using ConnectionCardTexts = DashboardFixture;

// Every reason the engine gives for a chosen kill switch that is not in force.
const char* const notInForceReasons[]
    = {"未检测到网络服务", "未获得管理员授权", "当前安装位置不受信任，请安装到系统目录", "节点地址无法放行", "规则加载失败"};

// The table's text of `key` in `language`; outside Chinese the table must say it otherwise.
QString said(const char* key, AppLanguage language)
{
    const auto zh = QString::fromUtf8(key);
    const auto text = i18n::tr(zh, language);
    if (language != AppLanguage::zh) {
        EXPECT_NE(text, zh) << key << " is not said in " << qPrintable(rawValue(language));
    }
    return text;
}

} // namespace

TEST_F(ConnectionCardTexts, TheStateAndTheButtonAreSaidInEveryLanguage)
{
    struct Case {
        ConnectionState state;
        const char* stateKey;
        const char* buttonKey;
    };
    const Case cases[] = {
        {ConnectionState::disconnected, "未连接", "连接 VPN"},
        {ConnectionState::connecting, "连接中...", "连接 VPN"},
        {ConnectionState::connected, "已连接", "断开连接"},
        {ConnectionState::disconnecting, "断开中...", "连接 VPN"},
    };
    signIn({node(1, QStringLiteral("Tokyo"))});
    for (const auto language : allAppLanguages) {
        ScopedLanguage scoped(language);
        auto& card = *showView().connectionCard();
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(rawValue(language).toStdString()) + " " + c.stateKey);
            vpn.setState(c.state);
            EXPECT_EQ(card.stateText()->text(), said(c.stateKey, language));
            EXPECT_EQ(card.buttonText()->text(), said(c.buttonKey, language));
            EXPECT_EQ(card.connectButton()->accessibleName(), card.buttonText()->text());
        }
    }
}

TEST_F(ConnectionCardTexts, TheKillSwitchNoticeAndEveryReasonAreSaidInEveryLanguage)
{
    signIn({node(1, QStringLiteral("Tokyo"))});
    vpn.setState(ConnectionState::connected);
    for (const auto language : allAppLanguages) {
        ScopedLanguage scoped(language);
        auto& card = *showView().connectionCard();
        SCOPED_TRACE(rawValue(language).toStdString());
        vpn.setKillSwitchNotInForce({});
        vpn.setKillSwitchLoaded(true);
        const auto blocked = said("网络锁生效中，非 VPN 流量已被阻止", language);
        EXPECT_EQ(card.blockNotice()->text(), blocked);
        // The same line on the surfaces without the card's widget (the tray's tooltip).
        EXPECT_EQ(BlockNotice::line(vpn), blocked);
        vpn.setKillSwitchLoaded(false);
        for (const char* reason : notInForceReasons) {
            SCOPED_TRACE(reason);
            vpn.setKillSwitchNotInForce(QString::fromUtf8(reason));
            const QString notInForce = said("网络锁未生效：", language) + said(reason, language);
            EXPECT_EQ(card.blockNotice()->text(), notInForce);
            EXPECT_EQ(BlockNotice::line(vpn), notInForce);
        }
    }
}
