#pragma once

#include "ui/common/theme.h"

#include <QLabel>

// A one-line label that fits any room: a text wider than the label ends in an ellipsis, and the
// whole text is then its tooltip. Layouts may shrink it below its text's width.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_fullText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString m_fullText;
};

// An eliding label in one of the text styles and colour roles, like makeLabel's.
ElidedLabel* makeElidedLabel(const QString& text, TextStyle style, QFont::Weight weight,
                             TextColor color = TextColor::Primary, QWidget* parent = nullptr);
ElidedLabel* makeElidedLabel(const QString& text, TextStyle style, TextColor color = TextColor::Primary,
                             QWidget* parent = nullptr);
