#pragma once

#include <QWidget>

class IconButton;
class QLineEdit;

// A search line: a magnifying glass, a borderless text field and, while there is text, a button
// that empties it. Optionally on a rounded background.
class SearchField : public QWidget {
    Q_OBJECT
public:
    SearchField(const QString& placeholder, bool rounded, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QLineEdit* lineEdit() const { return m_edit; }
    IconButton* clearButton() const { return m_clear; }

signals:
    void textChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_edit;
    IconButton* m_clear;
    bool m_rounded;
};
