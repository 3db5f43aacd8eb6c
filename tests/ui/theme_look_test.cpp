// The window's look as the user sees it, without a style sheet for the whole application: the
// colours labels, fields, check boxes and tooltips paint with in either appearance, and which
// widgets a sheet styles at all.
#include "support/scoped_theme.h"
#include "ui/common/check_box.h"
#include "ui/common/scroll_column.h"
#include "ui/common/search_field.h"
#include "ui/common/text_field.h"
#include "ui/common/text_label.h"
#include "ui/common/theme.h"
#include "ui/common/theme_style.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

const char* const kAppearances[] = {"light", "dark"};

QImage painted(QWidget& widget) { return widget.grab().toImage(); }

bool paintsWith(QWidget& widget, const QColor& color)
{
    const QImage image = painted(widget);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).rgb() == color.rgb())
                return true;
        }
    }
    return false;
}

class ThemeLook : public ::testing::Test {
protected:
    void SetUp() override { useAppearance("light"); }
    void useAppearance(const char* appearance)
    {
        look.theme().setAppearance(QLatin1String(appearance));
        look.theme().apply();
        // The application hands its new palette on to the widgets through posted events.
        QCoreApplication::processEvents();
    }
    const ThemePalette& colors() { return look.theme().palette(); }

    ScopedTheme look;
};

TEST_F(ThemeLook, OnlyTheWidgetsCarryingASheetAreStyledByOne)
{
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* secondary = makeLabel(QStringLiteral("次要"), TextStyle::Body, TextColor::Secondary);
    auto* plain = new QLabel(QStringLiteral("plain"));
    auto* button = new QPushButton(QStringLiteral("button"));
    auto* field = makeTextField();
    auto* scroll = new ScrollColumn(0, QMargins());
    for (auto* widget : std::initializer_list<QWidget*>{secondary, plain, button, field, scroll})
        column->addWidget(widget);
    window.show();
    for (auto* widget : std::initializer_list<QWidget*>{&window, secondary, plain, button, scroll, scroll->content(),
                                                        scroll->verticalScrollBar()})
        EXPECT_FALSE(widget->testAttribute(Qt::WA_StyleSheet)) << widget->metaObject()->className();
    // A field carries a sheet of its own, for itself alone.
    EXPECT_TRUE(field->testAttribute(Qt::WA_StyleSheet));
}

TEST_F(ThemeLook, ALabelPaintsInItsRoleAndFollowsTheAppearanceAndTheAccent)
{
    std::unique_ptr<QLabel> secondary(makeLabel(QStringLiteral("■■"), TextStyle::LargeTitle, TextColor::Secondary));
    std::unique_ptr<QLabel> primary(makeLabel(QStringLiteral("■■"), TextStyle::LargeTitle));
    std::unique_ptr<QLabel> accent(makeLabel(QStringLiteral("■■"), TextStyle::LargeTitle, TextColor::Accent));
    // A label on a button paints in the button's text role.
    QPushButton button;
    auto* onButton = makeLabel(QStringLiteral("■■"), TextStyle::LargeTitle, TextColor::Green, &button);
    button.resize(onButton->sizeHint() + QSize(8, 8));
    for (const auto* appearance : kAppearances) {
        useAppearance(appearance);
        EXPECT_TRUE(paintsWith(*secondary, colors().secondaryText)) << appearance;
        EXPECT_TRUE(paintsWith(*primary, colors().text)) << appearance;
        EXPECT_TRUE(paintsWith(*accent, colors().accent)) << appearance;
        EXPECT_TRUE(paintsWith(*onButton, colors().green)) << appearance;
        // A role holds while disabled; a plain label dims.
        EXPECT_EQ(secondary->palette().color(QPalette::Disabled, QPalette::WindowText), colors().secondaryText);
        EXPECT_EQ(primary->palette().color(QPalette::Disabled, QPalette::WindowText), colors().tertiaryText);

        look.theme().setAccent(QStringLiteral("orange"));
        EXPECT_TRUE(paintsWith(*accent, Theme::accentFor(QStringLiteral("orange"), colors().dark))) << appearance;
        look.theme().setAccent(QStringLiteral("blue"));
    }
}

TEST_F(ThemeLook, ALabelGivenAnotherRoleAndBackToThePlainOneFollowsTheWindowAgain)
{
    std::unique_ptr<QLabel> label(makeLabel(QStringLiteral("■■"), TextStyle::LargeTitle, TextColor::Red));
    EXPECT_TRUE(paintsWith(*label, colors().red));
    setTextColor(label.get(), TextColor::Primary);
    EXPECT_TRUE(paintsWith(*label, colors().text));
    EXPECT_FALSE(paintsWith(*label, colors().red));
    useAppearance("dark");
    EXPECT_TRUE(paintsWith(*label, colors().text));
    EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText), colors().tertiaryText);
}

TEST_F(ThemeLook, AFieldHasAThinBorderAndAThickAccentOneWhileFocusedAndDimsWhenDisabled)
{
    for (const auto* appearance : kAppearances) {
        useAppearance(appearance);
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        auto* focused = makeTextField();
        auto* idle = makeTextField();
        column->addWidget(focused);
        column->addWidget(idle);
        window.show();
        QApplication::setActiveWindow(&window);
        focused->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return focused->hasFocus(); }));

        const QImage idleImage = painted(*idle);
        const int middle = idleImage.height() / 2;
        EXPECT_EQ(idleImage.pixelColor(0, middle).rgb(), colors().controlBorder.rgb()) << appearance;
        EXPECT_EQ(idleImage.pixelColor(1, middle).rgb(), colors().control.rgb()) << appearance;
        const QImage focusedImage = painted(*focused);
        EXPECT_EQ(focusedImage.pixelColor(0, middle).rgb(), colors().accent.rgb()) << appearance;
        EXPECT_EQ(focusedImage.pixelColor(1, middle).rgb(), colors().accent.rgb()) << appearance;

        idle->setEnabled(false);
        EXPECT_EQ(idle->palette().color(QPalette::Disabled, QPalette::Text), colors().tertiaryText) << appearance;
    }
}

// The placeholder is the field's text colour at half strength, over the field's own background.
TEST_F(ThemeLook, ASearchFieldsPlaceholderIsItsTextColourHalfwayToTheBackground)
{
    SearchField search(QStringLiteral("■■"), true);
    auto* edit = search.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setFont(Theme::of(edit).font(TextStyle::LargeTitle));
    search.resize(240, 60);
    for (const auto* appearance : kAppearances) {
        useAppearance(appearance);
        const QColor text = colors().text;
        const QColor under = colors().control;
        const auto half = [](int a, int b) { return (a * 128 + b * 127) / 255; };
        const QColor expected(half(text.red(), under.red()), half(text.green(), under.green()),
                              half(text.blue(), under.blue()));
        const QImage image = search.grab().toImage();
        bool found = false;
        for (int y = 0; y < image.height() && !found; ++y) {
            for (int x = 0; x < image.width() && !found; ++x) {
                const QColor c = image.pixelColor(x, y);
                found = qAbs(c.red() - expected.red()) <= 2 && qAbs(c.green() - expected.green()) <= 2
                    && qAbs(c.blue() - expected.blue()) <= 2;
            }
        }
        EXPECT_TRUE(found) << appearance << " " << expected.name().toStdString();
    }
}

TEST_F(ThemeLook, ACheckBoxKeepsItsTextColourWhileDisabled)
{
    for (const auto* appearance : kAppearances) {
        useAppearance(appearance);
        std::unique_ptr<QCheckBox> box(makeCheckBox(QStringLiteral("记住账号")));
        // The settings' switches are check boxes that paint themselves from the palette.
        QCheckBox plain(QStringLiteral("switch"));
        box->setEnabled(false);
        plain.setEnabled(false);
        box->show();
        plain.show();
        EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::WindowText), colors().text) << appearance;
        EXPECT_EQ(plain.palette().color(QPalette::Disabled, QPalette::WindowText), colors().text) << appearance;
    }
}

TEST_F(ThemeLook, AScrollAreaLetsTheWindowBehindShowThrough)
{
    QWidget window;
    QPalette behind = window.palette();
    behind.setColor(QPalette::Window, Qt::red);
    window.setPalette(behind);
    window.setAutoFillBackground(true);
    auto* column = new QVBoxLayout(&window);
    auto* scroll = new ScrollColumn(0, QMargins());
    // Were the area or its content filled, they would fill in blue.
    QPalette own = scroll->palette();
    own.setColor(QPalette::Window, Qt::blue);
    own.setColor(QPalette::Base, Qt::blue);
    scroll->setPalette(own);
    scroll->column()->addStretch();
    column->addWidget(scroll);
    window.resize(200, 200);
    window.show();
    const QImage image = painted(window);
    const QPoint inside = scroll->mapTo(&window, QPoint(scroll->width() / 3, scroll->height() / 2));
    EXPECT_EQ(image.pixelColor(inside).rgb(), QColor(Qt::red).rgb());
}

TEST_F(ThemeLook, ATooltipIsACardWithABorderInTheWindowsTextColour)
{
    for (const auto* appearance : kAppearances) {
        useAppearance(appearance);
        QWidget anchor;
        anchor.resize(200, 100);
        anchor.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&anchor));
        QToolTip::showText(anchor.mapToGlobal(QPoint(20, 20)), QStringLiteral("提示 tip"), &anchor);
        QWidget* tip = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            for (auto* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
                    tip = widget;
            }
            return tip != nullptr;
        }));
        const QImage image = painted(*tip);
        const int middle = image.width() / 2;
        EXPECT_EQ(image.pixelColor(middle, 0).rgb(), colors().controlBorder.rgb()) << appearance;
        EXPECT_EQ(image.pixelColor(middle, 2).rgb(), colors().card.rgb()) << appearance;
        EXPECT_TRUE(paintsWith(*tip, colors().text)) << appearance;
        QToolTip::hideText();
    }
}

// A widget finds the theme its style carries, also when a style sheet (its own or a parent's)
// wraps that style in the toolkit's sheet style.
TEST_F(ThemeLook, AWidgetFindsTheThemeOfItsOwnStyleThroughAnyStyleSheet)
{
    Theme other;
    ThemeStyle otherStyle(other);
    struct Case {
        const char* what;
        bool ownStyle;
        bool ownSheet;
        bool parentSheet;
    };
    for (const auto& c :
         {Case{"plain", false, false, false}, Case{"own sheet", false, true, false},
          Case{"parent's sheet", false, false, true}, Case{"own style", true, false, false},
          Case{"own style and sheet", true, true, false}, Case{"own style, parent's sheet", true, false, true}}) {
        SCOPED_TRACE(c.what);
        QWidget parent;
        if (c.parentSheet)
            parent.setStyleSheet(QStringLiteral("QWidget { color: red; }"));
        auto* widget = new QWidget(&parent);
        if (c.ownStyle)
            widget->setStyle(&otherStyle);
        if (c.ownSheet)
            widget->setStyleSheet(QStringLiteral("QWidget { color: red; }"));
        // A sheet puts the toolkit's own style between the widget and ours.
        EXPECT_EQ(qobject_cast<ThemeStyle*>(widget->style()) == nullptr, c.ownSheet || c.parentSheet);
        EXPECT_EQ(&Theme::of(widget), c.ownStyle ? &other : &look.theme());
    }
}

TEST(ThemeLookup, StopsTheProgramWhenNoThemeIsApplied)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
    QWidget widget;
    widget.setStyle(plain.get());
    EXPECT_DEATH(Theme::of(&widget), "No theme for QWidget");
}

} // namespace
