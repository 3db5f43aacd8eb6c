#include "settings_form.h"

#include "platform/settings_store.h"
#include "ui/account/labeled_switch.h"
#include "ui/common/modern_card.h"
#include "ui/common/text_label.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace SettingsForm {

Section::Section(const QString& header, QWidget* parent)
    : QWidget(parent)
    , m_card(new ModernCard(Qt::AlignLeft, 10, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        auto* title = makeLabel(header, TextStyle::Subheadline, QFont::DemiBold, TextColor::Secondary, this);
        title->setContentsMargins(6, 0, 0, 0);
        column->addWidget(title);
    }
    column->addWidget(m_card);
}

void Section::addRow(QWidget* row) { m_card->addWideRow(row); }

void Section::addRow(QLayout* row) { m_card->addWideRow(row); }

QCheckBox* makeToggle(const QString& label, QWidget* parent) { return new LabeledSwitch(label, parent); }

QCheckBox* makeStoredToggle(const QString& label, SettingsStore& settings, const QString& key, bool fallback,
                            QWidget* parent)
{
    auto* toggle = makeToggle(label, parent);
    toggle->setChecked(settings.boolOr(key, fallback));
    QObject::connect(toggle, &QCheckBox::toggled, toggle, [&settings, key](bool on) { settings.setValue(key, on); });
    // Others change the setting too (the clean-up, the menu-bar popover): the switch shows what is
    // stored, without acting on it again.
    QObject::connect(&settings, &SettingsStore::valueChanged, toggle,
                     [toggle, &settings, key, fallback](const QString& changed) {
                         if (changed != key)
                             return;
                         const QSignalBlocker quiet(toggle);
                         toggle->setChecked(settings.boolOr(key, fallback));
                     });
    return toggle;
}

ChoicePicker::ChoicePicker(const QString& label, const QList<QPair<QString, QString>>& options, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    row->addWidget(makeLabel(label, TextStyle::Body, TextColor::Primary, this), 0, Qt::AlignTop);
    row->addStretch();
    // At most three options a line, so that long option names in any language fit the form.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);
    for (const auto& [text, value] : options) {
        auto* button = new QRadioButton(text, this);
        const int index = int(m_values.size());
        m_group->addButton(button, index);
        m_values.append(value);
        grid->addWidget(button, index / optionsPerLine, index % optionsPerLine);
    }
    row->addLayout(grid);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { emit chosen(m_values.value(id)); });
}

QString ChoicePicker::value() const { return m_values.value(m_group->checkedId()); }

void ChoicePicker::setValue(const QString& value)
{
    if (auto* button = m_group->button(int(m_values.indexOf(value))))
        button->setChecked(true);
}

void ChoicePicker::choose(const QString& value)
{
    if (auto* button = m_group->button(int(m_values.indexOf(value))))
        button->click();
}

QLabel* makeCaption(const QString& text, QWidget* parent)
{
    auto* caption = makeLabel(text, TextStyle::Caption, TextColor::Secondary, parent);
    caption->setWordWrap(true);
    return caption;
}

} // namespace SettingsForm
