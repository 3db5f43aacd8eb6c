#include "search_field.h"

#include "icon_button.h"
#include "symbol_view.h"
#include "theme.h"
#include "themed_sheet.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace {
// Borderless on the field's own background; text, placeholder and selection in the theme's colours.
QString searchSheet(const ThemePalette& p)
{
    return QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; color: %1;"
                          " selection-background-color: %2; selection-color: %3; }\n"
                          "QLineEdit:disabled { color: %4; }\n")
        .arg(cssColor(p.text), cssColor(p.accent), cssColor(p.onAccent), cssColor(p.tertiaryText));
}
} // namespace

SearchField::SearchField(const QString& placeholder, bool rounded, QWidget* parent)
    : QWidget(parent)
    , m_rounded(rounded)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(rounded ? 8 : 0, rounded ? 4 : 0, rounded ? 6 : 0, rounded ? 4 : 0);
    row->setSpacing(6);
    row->addWidget(new SymbolView(QStringLiteral("magnifyingglass"), 14, TextColor::Secondary, this), 0,
                   Qt::AlignVCenter);
    m_edit = new QLineEdit(this);
    m_edit->setFrame(false);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setFont(Theme::of(this).font(TextStyle::Body));
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    setThemedStyleSheet(m_edit, &searchSheet);
    row->addWidget(m_edit, 1);
    m_clear = new IconButton(QStringLiteral("xmark.circle.fill"), 13, this);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->hide();
    row->addWidget(m_clear, 0, Qt::AlignVCenter);
    connect(m_clear, &QToolButton::clicked, m_edit, &QLineEdit::clear);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_clear->setVisible(!text.isEmpty());
        emit textChanged(text);
    });
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&Theme::of(this), &Theme::changed, this, qOverload<>(&QWidget::update));
}

QString SearchField::text() const { return m_edit->text(); }

void SearchField::setText(const QString& text) { m_edit->setText(text); }

void SearchField::paintEvent(QPaintEvent*)
{
    if (!m_rounded)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::of(this).palette().control);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}
