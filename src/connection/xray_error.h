#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Why the proxy core could not be started; description() is the text the connection log shows.
class XrayError : public std::exception {
public:
    enum Code {
        executableMissing = 1,
        configNotWritten,
        launchFailed,
        portBusy,
        exitedAtStart,
        notListening,
        stoppedWhileStarting,
    };

    XrayError(Code code, QString description)
        : m_code(code)
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    {
    }

    static QString domain() { return QStringLiteral("Xray"); }
    Code code() const { return m_code; }
    QString description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Code m_code;
    QString m_description;
    QByteArray m_what;
};
