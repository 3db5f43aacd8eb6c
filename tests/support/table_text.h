#pragma once

#include "platform/text_table.h"

// A text of the table in the interface language, as the screens show it.
inline QString t(const char* key) { return i18n::tr(QString::fromUtf8(key)); }
