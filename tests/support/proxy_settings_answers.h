#pragma once

#include "platform/process_runner.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// networksetup as a test wants it to answer: the listed network services and, for any service,
// the web, secure-web and SOCKS proxies as "-get…proxy" prints them. Every other command succeeds.
struct ProxySettingsAnswers {
    QByteArray services = "Wi-Fi\n";
    QByteArray web = off();
    QByteArray secureWeb = off();
    QByteArray socks = off();

    static QByteArray off() { return "Enabled: No\nServer: \nPort: 0\n"; }
    static QByteArray on(const QString& server, int port)
    {
        return "Enabled: Yes\nServer: " + server.toUtf8() + "\nPort: " + QByteArray::number(port)
            + "\nAuthenticated Proxy Enabled: 0\n";
    }

    ProcessResult answer(const ProcessRequest& request) const
    {
        const auto subcommand = request.arguments.value(0);
        QByteArray output;
        if (subcommand == QLatin1String("-listallnetworkservices"))
            output = "An asterisk (*) denotes that a network service is disabled.\n" + services;
        else if (subcommand == QLatin1String("-getwebproxy"))
            output = web;
        else if (subcommand == QLatin1String("-getsecurewebproxy"))
            output = secureWeb;
        else if (subcommand == QLatin1String("-getsocksfirewallproxy"))
            output = socks;
        return {true, false, 0, output};
    }
};

// The command lines that ran through sudo, in order.
inline QStringList privilegedCommandLines(const QStringList& commandLines)
{
    QStringList lines;
    for (const auto& line : commandLines)
        if (line.startsWith(QLatin1String("/usr/bin/sudo ")))
            lines.append(line);
    return lines;
}
