#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

// How failing expectations show Qt's text types (GoogleTest would walk them as containers).
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QByteArray& bytes, std::ostream* out) { *out << '"' << bytes.toStdString() << '"'; }
