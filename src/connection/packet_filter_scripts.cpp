#include "packet_filter_scripts.h"

#include "platform/shell_quote.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace PacketFilterScripts {

namespace {

// Rules loaded into an anchor count only when the main ruleset refers to the anchor, and the
// system's ruleset does not; it is loaded again with both references after it (the split anchor's
// passes after the kill switch's block, so that the last matching rule lets them through). "-e"
// fails when the filter is already on, so it runs only when the filter is off. Under "set -e" a
// failed step fails the script, and the last check makes sure the kill-switch anchor is referred to.
const QString kReferencesAndEnable = QStringLiteral(
    "if ! /sbin/pfctl -s rules 2>/dev/null | grep -qF 'anchor \"com.velmorand/split\"'; then\n"
    "{ if [ -r /etc/pf.conf ]; then cat /etc/pf.conf; fi; printf '\\n%s\\n%s\\n' 'anchor \"com.velmorand\"' "
    "'anchor \"com.velmorand/split\"'; } | /sbin/pfctl -f - 2>&1\n"
    "fi\n"
    "/sbin/pfctl -s info 2>/dev/null | grep -q '^Status: Enabled' || /sbin/pfctl -e 2>&1\n"
    "/sbin/pfctl -s rules 2>/dev/null | grep -qF 'anchor \"com.velmorand\" '\n");

// Loads the rules into the anchor and makes them count. Loading replaces the anchor's rules in
// one step; emptying it first would let everything out until the new rules are in.
QString anchorLoad(const QString& anchor, const QStringList& rules, const QString& done)
{
    return QStringLiteral("\nset -e\n") + QStringLiteral("cat <<'EOF' | /sbin/pfctl -a ") + anchor
        + QStringLiteral(" -f - 2>&1\n") + rules.join(QLatin1Char('\n')) + QStringLiteral("\nEOF\n")
        + kReferencesAndEnable + QStringLiteral("echo \"") + done + QStringLiteral("\"\n");
}

} // namespace

bool isSafeHost(const QString& host)
{
    // A scope ("%en0") is no part of an address a rule can hold, nor are the blanks and line
    // breaks around it that Qt reads past.
    if (!host.contains(QLatin1Char('%')) && host == host.trimmed() && !QHostAddress(host).isNull())
        return true;
    // At least two labels: a single word could be a keyword of the rules ("any", "self"). Anchored
    // at the very end of the text: "$" would also match before a final line break.
    static const QRegularExpression hostName(QRegularExpression::anchoredPattern(QStringLiteral(
        R"((?=.{1,253}\z)[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?(?:\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)+)")));
    return hostName.match(host).hasMatch();
}

QString killSwitchStart(const QStringList& servers, const QList<TcpDestination>& tcpDestinations)
{
    QStringList serverRules;
    for (const auto& server : servers) {
        Q_ASSERT(isSafeHost(server));
        serverRules += {QStringLiteral("pass out quick proto tcp to ") + server,
                        QStringLiteral("pass out quick proto udp to ") + server};
    }
    if (!tcpDestinations.isEmpty())
        serverRules.append(QStringLiteral("# Allow the listed nodes' ports"));
    for (const auto& destination : tcpDestinations) {
        Q_ASSERT(isSafeHost(destination.host) && destination.port != 0);
        serverRules.append(QStringLiteral("pass out quick proto tcp to ") + destination.host + QStringLiteral(" port ")
                           + QString::number(destination.port));
    }
    // The local network is let out by its destination: matched by source, these rules would let
    // everything out of a host whose own address lies in one of the ranges.
    return anchorLoad(
        killSwitchAnchor,
        QStringList{QStringLiteral("scrub-anchor \"com.velmorand/*\""), QStringLiteral("# Allow loopback"),
                    QStringLiteral("pass quick on lo0 all"), QStringLiteral("# Allow VPN server connection")}
            + serverRules
            + QStringList{QStringLiteral("# Allow DNS"), QStringLiteral("pass out quick proto udp to any port 53"),
                          QStringLiteral("# Allow local network LAN"),
                          QStringLiteral("pass out quick to 192.168.0.0/16"),
                          QStringLiteral("pass out quick to 10.0.0.0/8"),
                          QStringLiteral("pass out quick to 172.16.0.0/12"),
                          QStringLiteral("# Block all other outbound traffic"), QStringLiteral("block out all")},
        QStringLiteral("Kill Switch activated"));
}

QString killSwitchStop() { return QStringLiteral("/sbin/pfctl -a com.velmorand -F all 2>&1"); }

QString splitRules(const QStringList& programs, quint32 userId)
{
    QStringList rules;
    for (const auto& program : programs)
        rules.append(QStringLiteral("pass out proto {tcp, udp} from any to any user ") + QString::number(userId)
                     + QStringLiteral(" program \"") + QString::fromLatin1(QUrl::toPercentEncoding(program, "/"))
                     + QLatin1Char('"'));
    return anchorLoad(splitAnchor, rules, QStringLiteral("Split tunnel rules applied"));
}

QString splitStop() { return QStringLiteral("/sbin/pfctl -a com.velmorand/split -F all 2>&1"); }

QString splitAndKillSwitchStop()
{
    // The block goes whatever became of the exemption's flush; the script still fails when either
    // did.
    return splitStop() + QStringLiteral("; split=$?; ") + killSwitchStop() + QStringLiteral(" && exit $split");
}

QString proxyFallback(const QString& service)
{
    return QStringLiteral("/usr/sbin/networksetup -setsocksfirewallproxystate ") + shellQuoted(service)
        + QStringLiteral(" off 2>&1");
}

QString sudoersRemoval() { return QStringLiteral("rm -f ") + sudoersFile + QStringLiteral(" 2>/dev/null"); }

} // namespace PacketFilterScripts
