#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <optional>

// Bytes from outside (a child process, a service answer) as text: absent when they are not valid
// UTF-8.
inline std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
