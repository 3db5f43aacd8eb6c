#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class ModernCard;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLayout;
class SettingsStore;

// The building blocks of the grouped settings form: titled sections holding a card of rows,
// toggles and single-choice pickers.
namespace SettingsForm {

// A section: its header (none when empty) above a card that holds the rows.
class Section : public QWidget {
    Q_OBJECT
public:
    Section(const QString& header, QWidget* parent = nullptr);
    void addRow(QWidget* row);
    void addRow(QLayout* row);
    ModernCard* card() const { return m_card; }

private:
    ModernCard* m_card;
};

// A switch with its label on the left, as the form shows every Boolean setting.
QCheckBox* makeToggle(const QString& label, QWidget* parent = nullptr);
// A switch bound to a Boolean setting: it shows the stored value (`fallback` while the key is
// absent or holds another type), also after others change it, and stores every change the user
// makes; a change from the store is shown without announcing it as the user's.
QCheckBox* makeStoredToggle(const QString& label, SettingsStore& settings, const QString& key, bool fallback,
                            QWidget* parent = nullptr);

// A label and a row of radio buttons, one per option; `value()` is the chosen option's value.
class ChoicePicker : public QWidget {
    Q_OBJECT
public:
    // Options as (label, value), in order.
    ChoicePicker(const QString& label, const QList<QPair<QString, QString>>& options, QWidget* parent = nullptr);

    QString value() const;
    // Checks the option of `value` without announcing it; none for an unknown value.
    void setValue(const QString& value);
    // Chooses as a user would: checks it and announces it.
    void choose(const QString& value);

signals:
    void chosen(const QString& value);

private:
    static constexpr int optionsPerLine = 3;

    QButtonGroup* m_group;
    QList<QString> m_values;
};

// A wrapping caption below a control, in the secondary colour.
QLabel* makeCaption(const QString& text, QWidget* parent = nullptr);

} // namespace SettingsForm
