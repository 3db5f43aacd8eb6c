// Alerts that show a text from outside: the service's answer to a withdrawal, an update's notes.
#include "support/qt_printers.h"
#include "support/scoped_theme.h"
#include "ui/common/plain_alert.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The alert's label that shows text starting as `text` does.
QLabel* labelShowing(const QMessageBox& alert, const QString& text)
{
    for (auto* label : alert.findChildren<QLabel*>())
        if (!text.isEmpty() && label->text().startsWith(text.left(4)))
            return label;
    return nullptr;
}

} // namespace

TEST(PlainAlert, ATextFromOutsideShowsWholeUpToItsBoundAndTheAlertStaysOnTheScreen)
{
    const ScopedTheme theme;
    QWidget window;
    window.resize(980, 680);
    window.show();
    const QString ordinary = QStringLiteral("余额不足，无法提现");
    const QString lines = QStringLiteral("line\n").repeated(24).chopped(1);
    const QString marked = QStringLiteral("e") + QString(40, QChar(0x0301));
    struct Case {
        const char* name;
        QString text;
        QString shown;
    };
    const Case cases[] = {
        {"ordinary", ordinary, ordinary},
        {"24 lines", lines, lines},
        {"25 lines", lines + QStringLiteral("\nline 25"), lines + QStringLiteral("…")},
        {"a word of 20,000 letters", QString(20000, QLatin1Char('W')), QString(1000, QLatin1Char('W')) + QStringLiteral("…")},
        {"a letter with its marks is not cut apart", marked.repeated(1001), marked.repeated(1000) + QStringLiteral("…")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool informative : {false, true}) {
            auto* alert = makePlainAlert(QMessageBox::NoIcon, QStringLiteral("title"), QString(), &window);
            setPlainTexts(alert, informative ? QStringLiteral("main") : c.text, informative ? c.text : QString());
            alert->open();
            QCoreApplication::processEvents();
            const auto* label = labelShowing(*alert, c.text);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), c.shown);
            EXPECT_LT(alert->height(), 1000) << "taller than a screen";
            alert->close();
        }
    }
}
