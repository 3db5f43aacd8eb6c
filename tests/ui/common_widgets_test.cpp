#include "support/event_waits.h"
#include "support/scoped_theme.h"
#include "support/screenshot.h"
#include "ui/common/button.h"
#include "ui/common/card_frame.h"
#include "ui/common/check_box.h"
#include "ui/common/icon_button.h"
#include "ui/common/icons.h"
#include "ui/common/linear_progress.h"
#include "ui/common/scroll_column.h"
#include "ui/common/spinner.h"
#include "ui/common/status_dot.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"
#include "ui/common/theme.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(Theme, AppearanceAndAccentNames)
{
    struct Case {
        QString appearance;
        std::optional<bool> dark;
    };
    for (const auto& c : {Case{QStringLiteral("light"), false}, Case{QStringLiteral("dark"), true},
                          Case{QStringLiteral("system"), std::nullopt}, Case{QStringLiteral("Dark"), std::nullopt},
                          Case{QString(), std::nullopt}})
        EXPECT_EQ(Theme::darkFor(c.appearance), c.dark) << c.appearance.toStdString();

    const auto blue = Theme::accentFor(QStringLiteral("blue"), false);
    EXPECT_EQ(Theme::accentFor(QStringLiteral("pink"), false), blue);
    EXPECT_EQ(Theme::accentFor(QStringLiteral("Green"), false), blue);
    for (const auto* name : {"green", "purple", "orange", "red"})
        EXPECT_NE(Theme::accentFor(QLatin1String(name), false), blue) << name;
}

TEST(Theme, SwitchingAppearanceRepaintsThePalette)
{
    ScopedTheme look;
    auto& theme = look.theme();
    theme.setAppearance(QStringLiteral("dark"));
    EXPECT_TRUE(theme.isDark());
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
    theme.setAccent(QStringLiteral("orange"));
    EXPECT_EQ(theme.palette().accent, Theme::accentFor(QStringLiteral("orange"), true));
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), theme.palette().accent);
    theme.setAppearance(QStringLiteral("light"));
    theme.setAccent(QStringLiteral("blue"));
    EXPECT_FALSE(theme.isDark());
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 200);
}

TEST(Icons, BundledSymbolsAreTintedInTheirColour)
{
    ASSERT_TRUE(Icons::exists(QStringLiteral("shield.fill")));
    EXPECT_FALSE(Icons::exists(QStringLiteral("no.such.symbol")));
    EXPECT_TRUE(Icons::pixmap(QStringLiteral("no.such.symbol"), Qt::red, 16).isNull());

    const auto image = Icons::pixmap(QStringLiteral("shield.fill"), QColor(0, 200, 0), 32, 1.0).toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    // The middle of the filled shield is fully covered, in the tint.
    const QColor centre = image.pixelColor(16, 14);
    EXPECT_EQ(centre.alpha(), 255);
    EXPECT_EQ(centre.rgb(), QColor(0, 200, 0).rgb());
    // A corner outside the shield stays clear.
    EXPECT_EQ(image.pixelColor(0, 31).alpha(), 0);
    EXPECT_FALSE(Icons::appIcon(64).isNull());
}

TEST(Icons, WindowIconOffersEverySizeDrawnWhenAsked)
{
    const auto icon = Icons::appWindowIcon();
    const auto sizes = icon.availableSizes();
    ASSERT_EQ(sizes, (QList<QSize>{{16, 16}, {32, 32}, {64, 64}, {128, 128}, {256, 256}}));
    for (const auto& size : sizes) {
        const auto image = icon.pixmap(size, 1.0).toImage();
        ASSERT_EQ(image.size(), size);
        // The drawing fills the middle; the same size asked for twice is the same picture.
        EXPECT_EQ(image.pixelColor(size.width() / 2, size.height() / 2).alpha(), 255) << size.width();
        EXPECT_EQ(image, icon.pixmap(size, 1.0).toImage());
    }
}

TEST(Button, BusyButtonWidensForItsSpinnerAndDisablesNothingByItself)
{
    Button button(QStringLiteral("登录"), Button::Style::Prominent);
    const int idle = button.sizeHint().width();
    button.setBusy(true);
    EXPECT_GT(button.sizeHint().width(), idle);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_FALSE(button.autoDefault());
    button.setLabelWidth(200);
    EXPECT_GE(button.sizeHint().width(), 200);
}

TEST(Spinner, TurnsOnlyWhileWantedAndOnScreen)
{
    // Frames come every 80 ms.
    constexpr auto frameInterval = std::chrono::milliseconds(80);
    QWidget window;
    auto* button = new Button(QStringLiteral("登录"), Button::Style::Prominent, &window);
    SpinnerAnimation animation(button);
    animation.setRunning(true);
    waitPastTimers(frameInterval);
    EXPECT_EQ(animation.step(), 0) << "turned before it was on screen";

    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return animation.step() != 0; }, 2000));

    // Hiding the window hides the host with it.
    window.hide();
    int still = animation.step();
    waitPastTimers(frameInterval);
    EXPECT_EQ(animation.step(), still) << "turned while hidden";

    animation.setRunning(false);
    window.show();
    still = animation.step();
    waitPastTimers(frameInterval);
    EXPECT_EQ(animation.step(), still) << "turned while not wanted";
}

namespace {
QWidget* gallery()
{
    auto* page = new QWidget;
    page->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(Spacing::xl, Spacing::xl, Spacing::xl, Spacing::xl);
    column->setSpacing(Spacing::l);
    column->addWidget(makeLabel(QStringLiteral("Velmorand 仪表盘 ダッシュボード"), TextStyle::LargeTitle, QFont::Bold));
    column->addWidget(
        makeLabel(QStringLiteral("次要文字 Secondary 二次テキスト"), TextStyle::Body, TextColor::Secondary));

    auto* card = new CardFrame;
    auto* inCard = new QVBoxLayout(card);
    auto* status = new QHBoxLayout;
    auto* dot = new StatusDot(10);
    dot->setColor(TextColor::Green);
    status->addWidget(dot);
    status->addWidget(makeLabel(QStringLiteral("已连接"), TextStyle::Headline));
    status->addStretch();
    inCard->addLayout(status);
    inCard->addWidget(makeLabel(QStringLiteral("↓ 12.5 MB  ↑ 1.2 MB"), TextStyle::Body));
    auto* progress = new LinearProgress;
    progress->setValue(0.35);
    inCard->addWidget(progress);
    column->addWidget(card);

    auto* field = makeTextField();
    field->setPlaceholderText(QStringLiteral("name@example.com"));
    column->addWidget(field);
    auto* focused = makeTextField();
    focused->setText(QStringLiteral("已聚焦 focused"));
    focused->setObjectName(QStringLiteral("focusedField"));
    column->addWidget(focused);
    auto* disabledField = makeTextField();
    disabledField->setText(QStringLiteral("不可用 disabled"));
    disabledField->setEnabled(false);
    column->addWidget(disabledField);
    column->addWidget(makeCheckBox(QStringLiteral("记住账号")));
    // A column taller than its area, so that the scroll indicator shows.
    auto* scrolled = new ScrollColumn(Spacing::xs, QMargins());
    for (int row = 1; row <= 8; ++row)
        scrolled->column()->addWidget(
            makeLabel(QStringLiteral("第 %1 行 row").arg(row), TextStyle::Body, TextColor::Secondary));
    scrolled->setFixedHeight(70);
    column->addWidget(scrolled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new Button(QStringLiteral("取消"), Button::Style::Plain));
    buttons->addWidget(new Button(QStringLiteral("设置"), Button::Style::Bordered));
    auto* busy = new Button(QStringLiteral("登录"), Button::Style::Prominent);
    busy->setBusy(true);
    buttons->addWidget(busy);
    auto* red = new Button(QStringLiteral("断开"), Button::Style::Prominent);
    red->setSymbol(QStringLiteral("power"));
    red->setTint(TextColor::Red);
    buttons->addWidget(red);
    auto* disabled = new Button(QStringLiteral("连接"), Button::Style::Prominent);
    disabled->setEnabled(false);
    buttons->addWidget(disabled);
    buttons->addWidget(new Button(QStringLiteral("忘记密码?"), Button::Style::Link));
    column->addLayout(buttons);

    auto* icons = new QHBoxLayout;
    for (const auto* name : {"shield", "shield.lefthalf.fill", "shield.fill", "bolt.shield.fill", "gauge.medium",
                             "list.bullet", "gearshape", "server.rack", "person.crop.circle", "chevron.right",
                             "macwindow.on.rectangle", "sun.max.fill", "moon.fill", "circle.lefthalf.filled"}) {
        auto* b = new IconButton(QLatin1String(name), 18);
        icons->addWidget(b);
    }
    icons->addStretch();
    column->addLayout(icons);
    auto* icons2 = new QHBoxLayout;
    for (const auto* name : {"megaphone", "eye", "eye.slash", "touchid", "key.horizontal.fill", "checkmark.circle.fill",
                             "exclamationmark.triangle.fill", "power", "arrow.down", "arrow.up",
                             "arrow.up.left.and.arrow.down.right", "xmark"}) {
        auto* b = new IconButton(QLatin1String(name), 18);
        b->setBadgeVisible(QLatin1String(name) == QLatin1String("megaphone"));
        icons2->addWidget(b);
    }
    icons2->addWidget(new Spinner(20));
    icons2->addStretch();
    column->addLayout(icons2);
    page->resize(720, 640);
    return page;
}
} // namespace

TEST(Theme, GalleryScreenshots)
{
    for (const auto* appearance : {"light", "dark"}) {
        ScopedTheme look{QLatin1String(appearance)};
        std::unique_ptr<QWidget> page(gallery());
        page->show();
        QApplication::setActiveWindow(page.get());
        page->findChild<QLineEdit*>(QStringLiteral("focusedField"))->setFocus();
        EXPECT_FALSE(saveScreenshot(*page, QStringLiteral("common-gallery-") + QLatin1String(appearance)).isEmpty());
    }
}

namespace {
// The tooltip window on screen, if one is shown.
QWidget* shownToolTip()
{
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
            return widget;
    }
    return nullptr;
}
} // namespace

TEST(Theme, ToolTipScreenshots)
{
    for (const auto* appearance : {"light", "dark"}) {
        ScopedTheme look{QLatin1String(appearance)};
        QWidget anchor;
        anchor.resize(200, 100);
        anchor.show();
        // A window turning active hides the tooltip: the anchor's activation is over first.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&anchor));
        QToolTip::showText(anchor.mapToGlobal(QPoint(20, 20)), QStringLiteral("连接时会自动测速并选择最快的节点"),
                           &anchor);
        ASSERT_TRUE(QTest::qWaitFor([] { return shownToolTip() != nullptr; }));
        EXPECT_FALSE(
            saveScreenshot(*shownToolTip(), QStringLiteral("common-tooltip-") + QLatin1String(appearance)).isEmpty());
        QToolTip::hideText();
    }
}

// A button that turns busy (disabled) right after its click must not hand the focus on: in a
// scrolling screen that would scroll the next focusable control into view, away from the button.
TEST(Button, AClickLeavesTheFocusWhereItWasSoDisablingItScrollsNothing)
{
    QScrollArea area;
    area.resize(300, 200);
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    auto* connectButton = new Button(QStringLiteral("Connect"), Button::Style::Prominent);
    layout->addWidget(connectButton);
    layout->addSpacing(1200);
    layout->addWidget(new Button(QStringLiteral("Further down"), Button::Style::Bordered));
    area.setWidget(column);
    area.setWidgetResizable(true);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    area.setFocus();

    QTest::mouseClick(connectButton, Qt::LeftButton);
    connectButton->setEnabled(false);
    QApplication::processEvents();
    EXPECT_EQ(area.verticalScrollBar()->value(), 0);
}
