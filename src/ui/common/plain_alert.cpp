#include "plain_alert.h"

#include <QLabel>

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
    box->setText(text);
    box->setInformativeText(informativeText);
    for (auto* label : box->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}
