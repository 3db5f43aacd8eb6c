#pragma once

#include <QWidget>

// A round badge with one letter: the user's initial on the account and settings screens. The
// circle is the accent colour at `fillOpacity`; the letter is the accent (faint fill) or white
// (solid fill).
class AvatarBadge : public QWidget {
    Q_OBJECT
public:
    AvatarBadge(const QString& letter, int diameter, qreal fillOpacity, QWidget* parent = nullptr);

    QString letter() const { return m_letter; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_letter;
    qreal m_fillOpacity;
};
