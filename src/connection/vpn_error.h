#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// The failure of a connect; description() is the text shown to the user.
class VpnError : public std::exception {
public:
    // nodeNotLetOut: the kill switch is chosen and its rules cannot let the node's server out.
    // killSwitchNotReloaded: the kill switch holds and its rules could not be loaded again to let
    // the node out (the administrator prompt dismissed, the install not trusted, a failed script).
    enum class Kind { proxyStartFailed, nodeNotLetOut, killSwitchNotReloaded };

    static VpnError proxyStartFailed(int code) { return VpnError(Kind::proxyStartFailed, code); }
    static VpnError nodeNotLetOut() { return VpnError(Kind::nodeNotLetOut, 0); }
    static VpnError killSwitchNotReloaded() { return VpnError(Kind::killSwitchNotReloaded, 0); }

    // Another attempt may succeed; rules that did not load are not asked for again, each attempt
    // would raise the administrator prompt once more.
    bool worthRetrying() const { return m_kind != Kind::killSwitchNotReloaded; }

    Kind kind() const { return m_kind; }
    int code() const { return m_code; }
    QString description() const
    {
        if (m_kind == Kind::nodeNotLetOut)
            return QStringLiteral("网络锁无法放行该节点的地址，已阻止连接");
        if (m_kind == Kind::killSwitchNotReloaded)
            return QStringLiteral("网络锁规则未能更新以放行该节点，已停止连接");
        return QStringLiteral("SOCKS5 代理启动失败: ") + QString::number(m_code);
    }
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
