#pragma once

#include "ui/common/theme.h"

#include <QLabel>

// A label for a text the service wrote (titles, messages, names, dates, error descriptions):
// always plain text, so markup in it shows as written and nothing in it becomes a link. It wraps
// when `wrap` is set.
QLabel* makeServiceLabel(const QString& text, TextStyle style, TextColor color = TextColor::Primary, bool wrap = false,
                         QWidget* parent = nullptr);
