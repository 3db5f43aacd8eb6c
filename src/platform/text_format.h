#pragma once

#include <QString>

#include <array>
#include <concepts>
#include <span>
#include <variant>

namespace i18n {

// One value for a placeholder of a looked-up text.
class FormatArg {
public:
    FormatArg(const QString& text)
        : m_value(text)
    {
    }
    template <std::integral T>
    FormatArg(T number)
        : m_value(static_cast<qint64>(number))
    {
    }
    template <std::floating_point T>
    FormatArg(T number)
        : m_value(static_cast<double>(number))
    {
    }

    const std::variant<QString, qint64, double>& value() const { return m_value; }

private:
    std::variant<QString, qint64, double> m_value;
};

// Fills the placeholders of `text` in order, with printf's meaning whatever the locale: "%@" a
// text, "%d" an integer, "%.Nf" a number rounded as printf rounds (default 6 places), "%%" a
// percent sign. A placeholder without a value, or of another kind, is kept as written.
QString formatArgs(const QString& text, std::span<const FormatArg> args);

template <typename... Args>
QString format(const QString& text, const Args&... args)
{
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return formatArgs(text, list);
}

} // namespace i18n
