// The "pfctl" stand-in: the macOS packet filter carried out by one nftables table of our own,
// "inet velmorand". Like pf it keeps the main ruleset, the rulesets of named anchors and whether
// the filter is enabled; an anchor's rules count only while the main ruleset refers to it
// ("anchor "NAME"", or "anchor "NAME/*"" for the anchors below NAME), and only while the filter
// is enabled. It understands the rule forms the application writes; anything else is a syntax
// error and changes nothing, as with pfctl.
//   pfctl [-a ANCHOR] -f FILE|-     replace a ruleset
//   pfctl [-a ANCHOR] -F all|rules  empty a ruleset
//   pfctl [-a ANCHOR] -s rules      show a ruleset ("anchor "NAME" all" for references)
//   pfctl -s info                   "Status: Enabled" or "Status: Disabled"
//   pfctl -e | -d                   enable (fails when enabled) | disable (fails when disabled)
// pf evaluates every rule and the last match decides, unless a "quick" rule ends it early. The
// table does the same: the quick rules in their order, then the others from last to first, each
// with its own verdict. Packets of connections already under way pass, as pf's states let them.
// A host name in a rule is looked up when the rules are loaded, for at most a few seconds, and
// kept as the addresses it resolves to, one rule per address, as pf does; a name without an
// address fails that load. Nothing else looks a name up.
// The state is kept in $VELMORAND_PF_STATE_DIR (default /run/velmorand/pf): the kernel's
// table is the effect, the file the rules as written. One pfctl at a time changes it.
// Beyond pf, a rule with "user UID" may name a program, "program "PATH"" (the path
// percent-encoded): it then matches the processes of that user that run the file at the path or
// one below it, and every process those start, at any depth (see program_exemption.h). Where
// this machine cannot tell programs apart, such a rule fails to load and nothing changes. While
// such rules count, a watcher started by pfctl (pfctl --watch-programs) moves the programs'
// processes where the table finds them; it ends once they no longer count. Whichever change ends
// them also sends every process back and removes the group, whether the watcher still runs or not.
#include "exemption_group.h"
#include "pfctl_entry.h"
#include "program_exemption.h"
#include "rule_addresses.h"

#include "platform/exempted_program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

const QString kTable = QStringLiteral("inet velmorand");

struct Failure {
    QString message;
};

void printError(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

// ---- The rules -------------------------------------------------------------------------------

struct Endpoint {
    QString address = QStringLiteral("any");
    std::optional<quint16> port;
    // Where the address stands among the rule's words; none for "all".
    std::optional<qsizetype> word;
};

struct Rule {
    // A reference to an anchor (main ruleset only) instead of a filter rule.
    std::optional<QString> anchor;
    bool pass = true;
    bool quick = false;
    // Absent: both directions.
    std::optional<bool> out;
    QString interface;
    QStringList protocols;
    Endpoint from;
    Endpoint to;
    std::optional<quint32> user;
    // With a user only: the processes of that user that run this program.
    std::optional<QString> program;
};

// Normalisation, translation and loading statements of a system ruleset that the table has no
// use for.
const QStringList kIgnoredInMain{QStringLiteral("scrub-anchor"), QStringLiteral("nat-anchor"),
                                 QStringLiteral("rdr-anchor"),   QStringLiteral("dummynet-anchor"),
                                 QStringLiteral("load"),         QStringLiteral("set"),
                                 QStringLiteral("scrub")};

QStringList tokens(QString line)
{
    for (const auto c : {QLatin1Char('{'), QLatin1Char('}'), QLatin1Char(',')})
        line.replace(c, QStringLiteral(" ") + c + QStringLiteral(" "));
    auto pieces = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    pieces.removeAll(QStringLiteral(","));
    return pieces;
}

QString unquoted(const QString& text)
{
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

class RuleParser {
public:
    explicit RuleParser(QStringList tokens)
        : m_tokens(std::move(tokens))
    {
    }

    std::optional<Rule> parse()
    {
        Rule rule;
        const auto action = take();
        if (action == QLatin1String("pass")) {
            rule.pass = true;
        } else if (action == QLatin1String("block")) {
            rule.pass = false;
            if (peek() == QLatin1String("drop") || peek() == QLatin1String("return"))
                take();
        } else {
            return std::nullopt;
        }
        if (peek() == QLatin1String("in") || peek() == QLatin1String("out"))
            rule.out = take() == QLatin1String("out");
        if (peek() == QLatin1String("quick")) {
            take();
            rule.quick = true;
        }
        if (peek() == QLatin1String("on")) {
            take();
            rule.interface = take();
            if (rule.interface.isEmpty())
                return std::nullopt;
        }
        if (peek() == QLatin1String("proto")) {
            take();
            if (peek() == QLatin1String("{")) {
                take();
                while (!atEnd() && peek() != QLatin1String("}"))
                    rule.protocols.append(take());
                if (take() != QLatin1String("}"))
                    return std::nullopt;
            } else {
                rule.protocols.append(take());
            }
            for (const auto& protocol : std::as_const(rule.protocols)) {
                if (protocol != QLatin1String("tcp") && protocol != QLatin1String("udp"))
                    return std::nullopt;
            }
        }
        if (peek() == QLatin1String("all")) {
            take();
        } else {
            if (peek() == QLatin1String("from") && !endpoint(rule.from))
                return std::nullopt;
            if (peek() == QLatin1String("to") && !endpoint(rule.to))
                return std::nullopt;
        }
        if ((rule.from.port || rule.to.port) && rule.protocols.isEmpty())
            return std::nullopt;
        if (peek() == QLatin1String("user")) {
            take();
            bool ok = false;
            rule.user = take().toUInt(&ok);
            if (!ok)
                return std::nullopt;
            if (peek() == QLatin1String("program")) {
                take();
                rule.program = QUrl::fromPercentEncoding(unquoted(take()).toUtf8());
            }
        }
        if (!atEnd())
            return std::nullopt;
        return rule;
    }

private:
    bool endpoint(Endpoint& endpoint)
    {
        take();
        endpoint.word = m_at;
        endpoint.address = take();
        if (endpoint.address.isEmpty() || endpoint.address == QLatin1String("port"))
            return false;
        if (peek() == QLatin1String("port")) {
            take();
            bool ok = false;
            endpoint.port = take().toUShort(&ok);
            return ok;
        }
        return true;
    }

    QString peek() const { return atEnd() ? QString() : m_tokens[m_at]; }
    QString take() { return atEnd() ? QString() : m_tokens[m_at++]; }
    bool atEnd() const { return m_at >= m_tokens.size(); }

    QStringList m_tokens;
    qsizetype m_at = 0;
};

// Whoever wrote the rule, it lets out one application, not a system folder's programs nor
// everything an interpreter runs; the path is judged as its file stands now.
bool isRefusedProgram(const Rule& rule)
{
    return rule.program && ExemptedProgram::refusalOf(*rule.program) != ExemptedProgram::Refusal::none;
}

bool isAnchorReference(const QStringList& pieces)
{
    return !pieces.isEmpty() && pieces.first() == QLatin1String("anchor")
        && (pieces.size() == 2 || (pieces.size() == 3 && pieces[2] == QLatin1String("all")));
}

// The ruleset's lines as kept: comments, blank lines and ignored statements dropped, white space
// made single. Throws on the first line that is not understood.
QStringList parseRuleset(const QString& text, const QString& source, bool isMain)
{
    QStringList kept;
    const auto lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto line = lines[i];
        if (const auto hash = line.indexOf(QLatin1Char('#')); hash >= 0)
            line.truncate(hash);
        const auto pieces = tokens(line);
        if (pieces.isEmpty() || pieces.first() == QLatin1String("scrub-anchor")
            || (isMain && kIgnoredInMain.contains(pieces.first())))
            continue;
        const bool reference = isMain && isAnchorReference(pieces);
        const auto rule = reference ? std::nullopt : RuleParser(pieces).parse();
        if (!reference && !rule)
            throw Failure{source + QLatin1Char(':') + QString::number(i + 1) + QStringLiteral(": syntax error")};
        // One program refused fails nothing else: the block and the other programs still load.
        if (rule && isRefusedProgram(*rule)) {
            printError(source + QLatin1Char(':') + QString::number(i + 1)
                       + QStringLiteral(": program left out, it would let out more than one application"));
            continue;
        }
        kept.append(pieces.join(QLatin1Char(' ')));
    }
    return kept;
}

// A line of the kept state. Only lines that passed the parser are kept, but the file is outside
// this process: one that does not parse is refused, not trusted. A program's rule whose path is
// refused now (its file replaced since) counts for nothing: none, and the rest still holds.
std::optional<Rule> ruleOf(const QString& line)
{
    const auto pieces = tokens(line);
    if (isAnchorReference(pieces)) {
        Rule rule;
        rule.anchor = unquoted(pieces[1]);
        return rule;
    }
    const auto rule = RuleParser(pieces).parse();
    if (!rule)
        throw Failure{QStringLiteral("pfctl: the kept state holds a rule it cannot read: ") + line};
    if (isRefusedProgram(*rule))
        return std::nullopt;
    return rule;
}

// The network family an address or a network of a rule belongs to; none for "any".
std::optional<QAbstractSocket::NetworkLayerProtocol> familyOf(const QString& address)
{
    if (address == QLatin1String("any"))
        return std::nullopt;
    const auto subnet = QHostAddress::parseSubnet(address);
    return (address.contains(QLatin1Char('/')) ? subnet.first : QHostAddress(address)).protocol();
}

// The kept lines of a ruleset with its host names in place of the addresses they resolve to, one
// rule per address as pf writes it. The names are looked up here, once, all at once and for at most
// the look-up limit, before the state's lock is taken: nothing afterwards (a flush, another
// ruleset's load, the program watcher, the table) waits on a resolver. A name that resolves to no
// address, or not in time, fails the load.
QStringList withAddresses(const QStringList& lines)
{
    QStringList names;
    for (const auto& line : lines) {
        const auto rule = RuleParser(tokens(line)).parse();
        if (!rule)
            continue; // an anchor reference
        for (const auto* endpoint : {&rule->from, &rule->to})
            if (RuleAddresses::isName(endpoint->address) && !names.contains(endpoint->address))
                names.append(endpoint->address);
    }
    if (names.isEmpty())
        return lines;
    const auto found = RuleAddresses::lookUp(names, RuleAddresses::lookupLimit);
    for (const auto& name : std::as_const(names))
        if (!found.contains(name))
            throw Failure{QStringLiteral("no IP address found for ") + name};
    const auto choices = [&found](const Endpoint& endpoint) {
        return RuleAddresses::isName(endpoint.address) ? found.value(endpoint.address) : QStringList{endpoint.address};
    };
    QStringList expanded;
    for (const auto& line : lines) {
        const auto pieces = tokens(line);
        const auto rule = RuleParser(pieces).parse();
        if (!rule) { // an anchor reference
            expanded.append(line);
            continue;
        }
        for (const auto& from : choices(rule->from)) {
            for (const auto& to : choices(rule->to)) {
                const auto fromFamily = familyOf(from);
                const auto toFamily = familyOf(to);
                if (fromFamily && toFamily && fromFamily != toFamily)
                    continue;
                auto written = pieces;
                if (rule->from.word)
                    written[*rule->from.word] = from;
                if (rule->to.word)
                    written[*rule->to.word] = to;
                expanded.append(written.join(QLatin1Char(' ')));
            }
        }
    }
    return expanded;
}

// ---- The state -------------------------------------------------------------------------------

struct State {
    bool enabled = false;
    // Ruleset name ("" for the main ruleset) to its lines.
    QMap<QString, QStringList> rulesets;
};

// The state is root's alone, whatever umask the caller left: its folder only root enters, its
// files only root reads; the folders made above it may only be passed through. Those an earlier
// run left looser are mended.
constexpr mode_t kPassThroughFolderMode = 0755;
constexpr mode_t kStateFolderMode = 0700;
constexpr mode_t kStateFileMode = 0600;
const QString kDefaultStateParent = QStringLiteral("/run/velmorand");

void makeFolder(const QString& path, mode_t mode)
{
    const auto name = QFile::encodeName(path);
    if (::mkdir(name.constData(), mode) != 0 && errno != EEXIST)
        throw Failure{QStringLiteral("pfctl: cannot make ") + path};
}

// A folder of this user's own, no link, with exactly the mode.
void holdFolder(const QString& path, mode_t mode)
{
    const auto name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        throw Failure{QStringLiteral("pfctl: ") + path + QStringLiteral(" is not a folder of its own")};
    if ((status.st_mode & 07777) != mode && ::chmod(name.constData(), mode) != 0)
        throw Failure{QStringLiteral("pfctl: cannot set the mode of ") + path};
}

QString preparedStateDirectory()
{
    auto directory = qEnvironmentVariable("VELMORAND_PF_STATE_DIR");
    const bool isDefault = directory.isEmpty();
    if (isDefault)
        directory = kDefaultStateParent + QStringLiteral("/pf");
    directory = QDir::cleanPath(QDir(directory).absolutePath());
    QStringList missingAbove;
    for (auto at = QFileInfo(directory).path(); !QFileInfo::exists(at); at = QFileInfo(at).path())
        missingAbove.prepend(at);
    for (const auto& folder : std::as_const(missingAbove)) {
        makeFolder(folder, kPassThroughFolderMode);
        holdFolder(folder, kPassThroughFolderMode);
    }
    if (isDefault)
        holdFolder(kDefaultStateParent, kPassThroughFolderMode);
    makeFolder(directory, kStateFolderMode);
    holdFolder(directory, kStateFolderMode);
    return directory;
}

QString stateDirectory()
{
    static const QString directory = preparedStateDirectory();
    return directory;
}

QString stateFile() { return stateDirectory() + QStringLiteral("/state.json"); }

// Holds an exclusive lock on a file of the state directory while it lives. Not inherited by the
// programs started meanwhile.
class StateLock {
public:
    enum class Wait { yes, no };
    StateLock(const char* name, Wait wait)
        : m_fd(::open(QFile::encodeName(stateDirectory() + QLatin1Char('/') + QLatin1String(name)).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kStateFileMode))
    {
        m_held = m_fd >= 0 && ::fchmod(m_fd, kStateFileMode) == 0
            && ::flock(m_fd, LOCK_EX | (wait == Wait::no ? LOCK_NB : 0)) == 0;
    }
    ~StateLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    bool held() const { return m_held; }

private:
    int m_fd;
    bool m_held = false;
};

const char kStateLock[] = "lock";
const char kWatcherLock[] = "watcher.lock";

State stateOf(const QByteArray& kept)
{
    State state;
    const auto object = QJsonDocument::fromJson(kept).object();
    state.enabled = object.value(QStringLiteral("enabled")).toBool();
    const auto rulesets = object.value(QStringLiteral("rulesets")).toObject();
    for (auto it = rulesets.begin(); it != rulesets.end(); ++it) {
        QStringList lines;
        for (const auto& line : it.value().toArray())
            lines.append(line.toString());
        state.rulesets.insert(it.key(), lines);
    }
    return state;
}

State loadState()
{
    QFile file(stateFile());
    return file.open(QIODevice::ReadOnly) ? stateOf(file.readAll()) : State{};
}

void saveState(const State& state)
{
    QJsonObject rulesets;
    for (auto it = state.rulesets.cbegin(); it != state.rulesets.cend(); ++it)
        rulesets.insert(it.key(), QJsonArray::fromStringList(it.value()));
    QSaveFile file(stateFile());
    const auto content
        = QJsonDocument(QJsonObject{{QStringLiteral("enabled"), state.enabled}, {QStringLiteral("rulesets"), rulesets}})
              .toJson();
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(content) != content.size() || !file.commit())
        throw Failure{QStringLiteral("pfctl: cannot keep the state in ") + file.fileName()};
}

// ---- The table -------------------------------------------------------------------------------

// The filter rules the main ruleset evaluates, in order, its anchors' rules in their place.
QList<Rule> evaluatedRules(const State& state)
{
    QList<Rule> rules;
    for (const auto& line : state.rulesets.value(QString())) {
        const auto rule = ruleOf(line);
        if (!rule)
            continue;
        if (!rule->anchor) {
            rules.append(*rule);
            continue;
        }
        QStringList anchors;
        if (rule->anchor->endsWith(QLatin1String("/*"))) {
            const auto parent = rule->anchor->chopped(1);
            for (const auto& name : state.rulesets.keys())
                if (name.startsWith(parent) && !name.mid(parent.size()).contains(QLatin1Char('/')))
                    anchors.append(name);
        } else {
            anchors.append(*rule->anchor);
        }
        for (const auto& anchor : std::as_const(anchors))
            for (const auto& anchorLine : state.rulesets.value(anchor))
                if (const auto anchorRule = ruleOf(anchorLine))
                    rules.append(*anchorRule);
    }
    return rules;
}

QList<QHostAddress> addressesOf(const QString& address)
{
    if (address == QLatin1String("any"))
        return {QHostAddress()};
    if (address.contains(QLatin1Char('/'))) {
        const auto subnet = QHostAddress::parseSubnet(address);
        if (subnet.first.isNull())
            throw Failure{QStringLiteral("invalid network ") + address};
        return {subnet.first};
    }
    // A name was turned into its addresses when its rules were loaded. One still in the state
    // (kept by an earlier version) stands for nothing: looked up now, it would make every change
    // of the state wait on the resolver, the release included.
    const QHostAddress literal(address);
    if (literal.isNull())
        return {};
    return {literal};
}

QString addressMatch(const char* field, const QString& written, const QHostAddress& address)
{
    if (address.isNull())
        return {};
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    QString value = address.toString();
    if (written.contains(QLatin1Char('/')))
        value += QLatin1Char('/') + QString::number(QHostAddress::parseSubnet(written).second);
    return (v6 ? QStringLiteral("ip6 ") : QStringLiteral("ip ")) + QLatin1String(field) + QLatin1Char(' ') + value;
}

// The programs whose rules count: the filter is on and the main ruleset refers to their anchor.
QList<ProgramExemption::Program> programsInEffect(const State& state)
{
    QList<ProgramExemption::Program> programs;
    if (!state.enabled)
        return programs;
    for (const auto& rule : evaluatedRules(state))
        if (rule.program && rule.out != false)
            programs.append({*rule.program, *rule.user});
    return programs;
}

// The table's statements for one rule: one per pair of source and destination addresses of the
// same family. A program's rule matches the sockets of the group its processes are kept in.
QStringList statementsOf(const Rule& rule, const std::optional<ProgramExemption::Group>& group)
{
    QStringList statements;
    const auto verdict = rule.pass ? QStringLiteral("accept") : QStringLiteral("drop");
    for (const auto& from : addressesOf(rule.from.address)) {
        for (const auto& to : addressesOf(rule.to.address)) {
            if (!from.isNull() && !to.isNull() && from.protocol() != to.protocol())
                continue;
            QStringList parts;
            if (!rule.interface.isEmpty())
                parts.append(QStringLiteral("oifname \"")
                             + (rule.interface == QLatin1String("lo0") ? QStringLiteral("lo") : rule.interface)
                             + QLatin1Char('"'));
            if (rule.protocols.size() == 1)
                parts.append(QStringLiteral("meta l4proto ") + rule.protocols.first());
            else if (!rule.protocols.isEmpty())
                parts.append(QStringLiteral("meta l4proto { ") + rule.protocols.join(QStringLiteral(", "))
                             + QStringLiteral(" }"));
            parts.append(addressMatch("saddr", rule.from.address, from));
            if (rule.from.port)
                parts.append(QStringLiteral("th sport ") + QString::number(*rule.from.port));
            parts.append(addressMatch("daddr", rule.to.address, to));
            if (rule.to.port)
                parts.append(QStringLiteral("th dport ") + QString::number(*rule.to.port));
            if (rule.user)
                parts.append(QStringLiteral("meta skuid ") + QString::number(*rule.user));
            if (rule.program)
                parts.append(QStringLiteral("socket cgroupv2 level %1 \"%2\"").arg(group->level).arg(group->nftPath));
            parts.removeAll(QString());
            parts.append(verdict);
            statements.append(parts.join(QLatin1Char(' ')));
        }
    }
    return statements;
}

QString tableScript(const State& state, const std::optional<ProgramExemption::Group>& group)
{
    // Created if missing, then deleted: either way no table is left to replace.
    QString script = QStringLiteral("table ") + kTable + QStringLiteral("\ndelete table ") + kTable + QLatin1Char('\n');
    if (!state.enabled)
        return script;
    QStringList quick;
    QStringList others;
    for (const auto& rule : evaluatedRules(state)) {
        if (rule.out == false)
            continue; // the table filters what leaves the host
        const auto statements = statementsOf(rule, group);
        if (rule.quick)
            quick += statements;
        else
            others = statements + others;
    }
    const auto all = quick + others;
    if (all.isEmpty())
        return script;
    script += QStringLiteral("table ") + kTable + QStringLiteral(" {\n  chain output {\n")
        + QStringLiteral("    type filter hook output priority filter; policy accept;\n")
        + QStringLiteral("    ct state established,related accept\n");
    for (const auto& statement : all)
        script += QStringLiteral("    ") + statement + QLatin1Char('\n');
    script += QStringLiteral("  }\n}\n");
    return script;
}

void applyTable(const State& state, const std::optional<ProgramExemption::Group>& group)
{
    const auto script = tableScript(state, group);
    QProcess nft;
    auto program = QStandardPaths::findExecutable(QStringLiteral("nft"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("nft"),
                                                 {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    nft.start(program, {QStringLiteral("-f"), QStringLiteral("-")});
    if (!nft.waitForStarted())
        throw Failure{QStringLiteral("pfctl: nft: ") + nft.errorString()};
    nft.write(script.toUtf8());
    nft.closeWriteChannel();
    nft.waitForFinished(-1);
    if (nft.exitStatus() != QProcess::NormalExit || nft.exitCode() != 0)
        throw Failure{QStringLiteral("pfctl: nft: ") + QString::fromLocal8Bit(nft.readAllStandardError()).trimmed()};
}

// The program watcher, unless one runs for this state already.
void startWatcher()
{
    if (!StateLock(kWatcherLock, StateLock::Wait::no).held())
        return;
    QProcess watcher;
    watcher.setProgram(QCoreApplication::applicationFilePath());
    watcher.setArguments({QStringLiteral("--watch-programs")});
    // Nothing of the caller's: whoever reads our output would otherwise wait for the watcher too.
    watcher.setStandardInputFile(QProcess::nullDevice());
    watcher.setStandardOutputFile(QProcess::nullDevice());
    watcher.setStandardErrorFile(QProcess::nullDevice());
    if (!watcher.startDetached())
        throw Failure{QStringLiteral("pfctl: cannot start the program watcher")};
}

// Makes the change take effect, then keeps it. Rules for programs need the group their
// processes are kept in, and someone to move them there; without such rules no trace of the
// group stays, even where the watcher was killed.
void commit(const State& state)
{
    std::optional<ProgramExemption::Group> group;
    const bool forPrograms = !programsInEffect(state).isEmpty();
    if (forPrograms) {
        QString why;
        group = ProgramExemption::groupFor(stateDirectory(), &why);
        if (!group || !ProgramExemption::create(*group, &why))
            throw Failure{QStringLiteral("pfctl: rules for single programs cannot be carried out here (") + why
                          + QStringLiteral("); split tunnelling is off")};
    }
    applyTable(state, group);
    saveState(state);
    if (forPrograms) {
        startWatcher();
    } else {
        QString ignored;
        if (const auto left = ProgramExemption::groupFor(stateDirectory(), &ignored))
            ProgramExemption::release(*left);
    }
}

// The watcher's life: holds its own lock while it watches, so that pfctl starts no second one, and
// looks at the state under the state's lock.
int watchPrograms()
{
    std::optional<StateLock> alone;
    alone.emplace(kWatcherLock, StateLock::Wait::yes);
    QString why;
    const auto group = ProgramExemption::groupFor(stateDirectory(), &why);
    if (!group) {
        printError(QStringLiteral("pfctl: ") + why);
        return 1;
    }
    ProgramExemption::watch(
        *group,
        [](const std::function<void()>& step) {
            const StateLock locked(kStateLock, StateLock::Wait::yes);
            step();
        },
        [] {
            // Once the state is gone (a test's throwaway directory), nothing counts any more.
            if (!QFile::exists(stateFile()))
                return QList<ProgramExemption::Program>();
            return programsInEffect(loadState());
        },
        stateFile(),
        // Ending, it makes way before the state's lock goes: a change that brings rules back
        // right after finds no watcher on its way out and starts a new one.
        [&alone] { alone.reset(); });
    return 0;
}

// ---- The command line ------------------------------------------------------------------------

struct Command {
    QString anchor;
    std::optional<QString> load;
    std::optional<QString> flush;
    std::optional<QString> show;
    bool enable = false;
    bool disable = false;
};

Command parseCommand(const QStringList& arguments)
{
    Command command;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const auto& argument = arguments[i];
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
            throw Failure{QStringLiteral("pfctl: unexpected argument ") + argument};
        const auto option = argument[1];
        const auto value = [&]() -> QString {
            if (argument.size() > 2)
                return argument.mid(2);
            if (i + 1 >= arguments.size())
                throw Failure{QStringLiteral("pfctl: option ") + argument + QStringLiteral(" needs a value")};
            return arguments[++i];
        };
        if (option == QLatin1Char('a'))
            command.anchor = value();
        else if (option == QLatin1Char('f'))
            command.load = value();
        else if (option == QLatin1Char('F'))
            command.flush = value();
        else if (option == QLatin1Char('s'))
            command.show = value();
        else if (option == QLatin1Char('e') && argument.size() == 2)
            command.enable = true;
        else if (option == QLatin1Char('d') && argument.size() == 2)
            command.disable = true;
        else
            throw Failure{QStringLiteral("pfctl: unsupported option ") + argument};
    }
    return command;
}

QString readRules(const QString& source)
{
    QFile file(source);
    const bool opened
        = source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened)
        throw Failure{QStringLiteral("pfctl: ") + source + QStringLiteral(": ") + file.errorString()};
    return QString::fromUtf8(file.readAll());
}

int run(const QStringList& arguments)
{
    if (arguments.size() == 2 && arguments[1] == QLatin1String("--watch-programs"))
        return watchPrograms();
    const auto command = parseCommand(arguments);
    // Read, and its names looked up, before the lock: the program watcher needs it meanwhile.
    std::optional<QStringList> loading;
    if (command.load) {
        const auto source = *command.load == QLatin1String("-") ? QStringLiteral("stdin") : *command.load;
        loading = withAddresses(parseRuleset(readRules(*command.load), source, command.anchor.isEmpty()));
    }
    const StateLock locked(kStateLock, StateLock::Wait::yes);
    auto state = loadState();
    QTextStream out(stdout);
    if (command.flush) {
        if (*command.flush != QLatin1String("all") && *command.flush != QLatin1String("rules"))
            throw Failure{QStringLiteral("pfctl: unknown flush modifier ") + *command.flush};
        state.rulesets.remove(command.anchor);
        commit(state);
        printError(QStringLiteral("rules cleared"));
    }
    if (loading) {
        state.rulesets.insert(command.anchor, *loading);
        commit(state);
    }
    if (command.enable) {
        if (state.enabled)
            throw Failure{QStringLiteral("pfctl: pf already enabled")};
        state.enabled = true;
        commit(state);
        printError(QStringLiteral("pf enabled"));
    }
    if (command.disable) {
        if (!state.enabled)
            throw Failure{QStringLiteral("pfctl: pf not enabled")};
        state.enabled = false;
        commit(state);
        printError(QStringLiteral("pf disabled"));
    }
    if (command.show) {
        if (*command.show == QLatin1String("info")) {
            out << (state.enabled ? "Status: Enabled" : "Status: Disabled") << '\n';
        } else if (*command.show == QLatin1String("rules") || *command.show == QLatin1String("r")) {
            for (const auto& line : state.rulesets.value(command.anchor)) {
                const auto rule = ruleOf(line);
                if (!rule)
                    continue;
                out << (rule->anchor ? QStringLiteral("anchor \"") + *rule->anchor + QStringLiteral("\" all") : line)
                    << '\n';
            }
        } else {
            throw Failure{QStringLiteral("pfctl: unknown show modifier ") + *command.show};
        }
    }
    return 0;
}

} // namespace

namespace PfctlEntry {

std::optional<QStringList> parseRuleset(const QString& text, bool isMain)
{
    try {
        return ::parseRuleset(text, QStringLiteral("stdin"), isMain);
    } catch (const Failure&) {
        return std::nullopt;
    }
}

std::optional<QString> tableOfState(const QByteArray& kept)
{
    try {
        const auto state = stateOf(kept);
        // A group of the form this machine would give, so that program rules reach the table too.
        const ProgramExemption::Group group{QStringLiteral("/sys/fs/cgroup/velmorand-pf"),
                                            QStringLiteral("velmorand-pf"), 1};
        return tableScript(state, group);
    } catch (const Failure&) {
        return std::nullopt;
    }
}

} // namespace PfctlEntry

#ifndef VELMORAND_PFCTL_ENTRY_ONLY
int main(int argc, char** argv)
{
    // Root's files get root's modes, not those of whoever started us; the watcher inherits it.
    ::umask(022);
    QCoreApplication application(argc, argv);
    try {
        return run(application.arguments());
    } catch (const Failure& failure) {
        printError(failure.message);
        return 1;
    }
}
#endif
