#include "text_format.h"

#include <charconv>
#include <string>

namespace i18n {
namespace {

// Fixed notation with printf's rounding; std::to_chars ignores the process locale, which
// QCoreApplication sets from the environment (a German locale would turn snprintf's point into a comma).
QString fixed(double number, int precision)
{
    std::string buffer(size_t(330 + precision), '\0');
    const auto result
        = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number, std::chars_format::fixed, precision);
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString render(const FormatArg& arg, QChar conversion, int precision)
{
    return std::visit(
        [&](const auto& value) -> QString {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>) {
                return value;
            } else if (conversion == u'f') {
                return fixed(double(value), precision < 0 ? 6 : precision);
            } else if (conversion == u'd') {
                return QString::number(qint64(value));
            } else {
                return QString::number(value);
            }
        },
        arg.value());
}

} // namespace

QString formatArgs(const QString& text, std::span<const FormatArg> args)
{
    QString out;
    out.reserve(text.size());
    auto next = args.begin();
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != u'%') {
            out += text[i++];
            continue;
        }
        // "%", an optional ".N" precision, then the conversion character.
        qsizetype j = i + 1;
        int precision = -1;
        if (j < text.size() && text[j] == u'.') {
            precision = 0;
            for (++j; j < text.size() && text[j].isDigit() && precision < 100; ++j)
                precision = precision * 10 + text[j].digitValue();
        }
        if (j >= text.size()) {
            out += QStringView(text).mid(i);
            break;
        }
        const QChar conversion = text[j];
        const bool takesValue = conversion == u'@' || conversion == u'd' || conversion == u'f';
        const bool precisionFits = precision < 0 || conversion == u'f';
        if (conversion == u'%' && precision < 0)
            out += u'%';
        else if (takesValue && precisionFits && next != args.end())
            out += render(*next++, conversion, precision);
        else
            out += QStringView(text).mid(i, j - i + 1);
        i = j + 1;
    }
    return out;
}

} // namespace i18n
