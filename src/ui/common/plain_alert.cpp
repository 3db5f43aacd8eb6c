#include "plain_alert.h"

#include <QLabel>
#include <QTextBoundaryFinder>

namespace {

// The box grows with its text, to any height: a text from outside shows up to so many characters
// (a letter with its marks, an emoji, is one) and lines, then "…".
constexpr int kShownCharacters = 1000;
constexpr int kShownLines = 24;

QString bounded(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int lines = 1;
    for (int characters = 0; characters < kShownCharacters && lines <= kShownLines; ++characters) {
        const auto at = finder.position();
        if (finder.toNextBoundary() < 0)
            return text;
        if (text.at(at) == QLatin1Char('\n') && ++lines > kShownLines)
            return text.left(at) + QStringLiteral("…");
    }
    return finder.position() < text.size() ? text.left(finder.position()) + QStringLiteral("…") : text;
}

} // namespace

QMessageBox* makePlainAlert(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent)
{
    auto* alert = new QMessageBox(icon, title, QString(), QMessageBox::NoButton, parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    setPlainTexts(alert, text, QString());
    return alert;
}

void setPlainTexts(QMessageBox* box, const QString& text, const QString& informativeText)
{
    box->setTextFormat(Qt::PlainText);
    box->setText(bounded(text));
    box->setInformativeText(bounded(informativeText));
    for (auto* label : box->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}
