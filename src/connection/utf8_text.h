#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <optional>

// Output of child processes as text: absent when the bytes are not valid UTF-8.
inline std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
