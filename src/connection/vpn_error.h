#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The failure of a connect; description() is the text shown to the user.
class VpnError : public std::exception {
public:
    enum class Kind { proxyStartFailed };

    static VpnError proxyStartFailed(int code) { return VpnError(Kind::proxyStartFailed, code); }

    Kind kind() const { return m_kind; }
    int code() const { return m_code; }
    QString description() const { return QStringLiteral("SOCKS5 代理启动失败: ") + QString::number(m_code); }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    VpnError(Kind kind, int code)
        : m_kind(kind)
        , m_code(code)
        , m_what(description().toUtf8())
    {
    }

    Kind m_kind;
    int m_code;
    QByteArray m_what;
};
