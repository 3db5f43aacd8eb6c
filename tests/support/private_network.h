#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// A network namespace of a test's own, so that the packet filter can be changed for real without
// touching this machine's network or firewall. Needs root, "ip" and "nft". Deleted with the
// object, together with its interfaces.
class NetworkNamespace {
public:
    // Whether namespaces can be made here; when not, *why says so.
    static bool available(QString* why);

    // Named after the tag and this process, so that parallel runs do not meet.
    explicit NetworkNamespace(const QString& tag);
    ~NetworkNamespace();
    NetworkNamespace(const NetworkNamespace&) = delete;
    NetworkNamespace& operator=(const NetworkNamespace&) = delete;

    // Makes the namespace with its loopback up; false with the reason in *error.
    bool create(QString* error);
    QString name() const { return m_name; }

    // Runs a command inside and waits for it; false with its output in *error when it fails.
    bool run(const QStringList& command, QString* error) const;
    // A veth pair between this namespace and the other, with an address on each end.
    bool linkTo(const NetworkNamespace& other, const QString& ownAddress, const QString& otherAddress, QString* error);

    // This test program run inside the namespace with only the named test, the role in
    // VELMORAND_TEST_ROLE and the further environment.
    std::unique_ptr<QProcess> startSelf(const QString& test, const QString& role,
                                        const QMap<QString, QString>& environment = {}) const;
    // The same in the namespace this process runs in; the child ends with this process.
    static std::unique_ptr<QProcess> startSelfHere(const QString& test, const QString& role,
                                                   const QMap<QString, QString>& environment = {});
    // Runs the named test of this program inside in the role (with the further environment) and
    // waits up to `timeoutMs` for it; true when it passed. What it printed goes to *output.
    bool runSelf(const QString& test, const QString& role, int timeoutMs, QByteArray* output,
                 const QMap<QString, QString>& environment = {}) const;

    // The role this test program was started in by startSelf(), or empty.
    static QString role();

private:
    QString m_name;
    bool m_created = false;
};

// "nft list ruleset" in the namespace this process runs in.
QString nftRuleset();
