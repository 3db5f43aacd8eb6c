#include "app_state.h"

#include "api/api_service.h"
#include "api/records/json_reader.h"
#include "app/fastest_node.h"
#include "app/keychain_helper.h"
#include "platform/settings_keys.h"
#include "platform/settings_store.h"
#include "platform/while_alive.h"

#include <QDebug>
#include <QJsonArray>
#include <QPointer>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace {

const QString kRememberedPassword = QStringLiteral("rememberedPassword");
constexpr qsizetype kMaxRecent = 10;

void console(const QString& line) { qInfo().noquote() << line; }

QString describe(const std::exception& error)
{
    // The client's and the records' errors carry their description as what().
    return QString::fromUtf8(error.what());
}

// What a person counts as characters (grapheme clusters), not UTF-16 units.
qsizetype characterCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

// An array of integers; any other element, or another type, reads as nothing stored.
QList<qint64> storedIds(const SettingsStore& settings, const QString& key)
{
    const auto value = settings.value(key);
    if (!value.isArray())
        return {};
    QList<qint64> ids;
    for (const auto& element : value.toArray()) {
        const auto id = JsonReader::integerOf(element);
        if (!id)
            return {};
        ids.append(*id);
    }
    return ids;
}

} // namespace

AppState::AppState(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
    , m_debugLog(m_collaborators.debugLogPath)
{
}

void AppState::setNodes(const QList<Node>& nodes) { publish(m_nodes, nodes, &AppState::nodesChanged); }

void AppState::setProfile(const std::optional<UserProfileResponse>& profile)
{
    publish(m_profile, profile, &AppState::profileChanged);
}

void AppState::setAnnouncements(const QList<Announcement>& announcements)
{
    publish(m_announcements, announcements, &AppState::announcementsChanged);
}

void AppState::setIsLoggedIn(bool isLoggedIn) { publish(m_isLoggedIn, isLoggedIn, &AppState::isLoggedInChanged); }

void AppState::setIsLoading(bool isLoading) { publish(m_isLoading, isLoading, &AppState::isLoadingChanged); }

void AppState::setIsAutoSelecting(bool isAutoSelecting)
{
    publish(m_isAutoSelecting, isAutoSelecting, &AppState::isAutoSelectingChanged);
}

void AppState::debLog(const QString& event) const { m_debugLog.append(event); }

// Loaders -----------------------------------------------------------------------------------

void AppState::loadNodes()
{
    runNodeLoad(std::nullopt);
    loadAnnouncements();
}

void AppState::loadAnnouncements() { runAnnouncementLoad(std::nullopt); }

void AppState::loadProfile() { runProfileLoad(); }

void AppState::runNodeLoad(std::optional<QList<Node>> restoreOnFailure)
{
    whileAlive(
        this, m_collaborators.api.fetchNodes(),
        [this](const QList<Node>& nodes) {
            const auto count = QString::number(nodes.size());
            console(QStringLiteral("loadNodes: got ") + count + QStringLiteral(" nodes"));
            debLog(QStringLiteral("[NODES] got ") + count + QStringLiteral(" nodes"));
            setNodes(nodes);
        },
        [this, restoreOnFailure](const std::exception& error) {
            const auto description = describe(error);
            console(QStringLiteral("Failed to load nodes: ") + description);
            debLog(QStringLiteral("[NODES-ERR] ") + description);
            if (dynamic_cast<const DecodingError*>(&error))
                console(QStringLiteral("DecodingError details: ") + description);
            // A reload after clearing gives the old list back, unless another load filled it since.
            if (restoreOnFailure && m_nodes.isEmpty())
                setNodes(*restoreOnFailure);
        });
}

void AppState::runAnnouncementLoad(std::optional<QList<Announcement>> restoreOnFailure)
{
    whileAlive(
        this, m_collaborators.api.fetchAnnouncements(),
        [this](const QList<Announcement>& announcements) {
            setAnnouncements(announcements);
            console(QStringLiteral("loadAnnouncements: got ") + QString::number(announcements.size()));
        },
        [this, restoreOnFailure](const std::exception& error) {
            console(QStringLiteral("Failed to load announcements: ") + describe(error));
            if (restoreOnFailure && m_announcements.isEmpty())
                setAnnouncements(*restoreOnFailure);
        });
}

void AppState::runProfileLoad()
{
    whileAlive(
        this, m_collaborators.api.fetchProfile(),
        [this](const std::optional<UserProfileResponse>& profile) {
            setProfile(profile);
            setIsLoggedIn(profile && profile->ok);
            setIsLoading(false);
        },
        [this](const std::exception& error) {
            console(QStringLiteral("Failed to load profile: ") + describe(error));
            setIsLoggedIn(false);
            setIsLoading(false);
        });
}

// Sign-in and sign-out ------------------------------------------------------------------------

QCoro::Task<AppState::LoginResult> AppState::login(QString email, QString password)
{
    QPointer<AppState> self(this);
    const auto passwordLength = characterCount(password);
    bool ok = false;
    try {
        ok = co_await m_collaborators.api.login(email, password);
    } catch (const std::exception& error) {
        const auto description = describe(error);
        if (self)
            debLog(QStringLiteral("[LOGIN-ERR] email=") + email + QStringLiteral(" error=") + description);
        co_return LoginResult{false, description};
    }
    if (!self)
        co_return LoginResult{ok, std::nullopt};
    // Only the password's length is ever written.
    debLog(QStringLiteral("[LOGIN] email=") + email + QStringLiteral(" pwd_len=") + QString::number(passwordLength)
           + QStringLiteral(" success=") + (ok ? QStringLiteral("true") : QStringLiteral("false")));
    if (!ok)
        co_return LoginResult{false, std::nullopt};
    setIsLoggedIn(true);
    setIsLoading(true);
    loadProfile();
    loadNodes();
    co_return LoginResult{true, std::nullopt};
}

void AppState::logout()
{
    // The client's jar and the session's own cookie store.
    m_collaborators.api.logout();
    setIsLoggedIn(false);
    setProfile(std::nullopt);
    setNodes({});
    m_collaborators.settings.remove(SettingsKeys::rememberedEmail);
    m_collaborators.keychain.remove(kRememberedPassword);
}

void AppState::clearCache()
{
    // The client keeps no response cache of its own, so the lists are all there is to clear.
    const auto previousNodes = m_nodes;
    const auto previousAnnouncements = m_announcements;
    setNodes({});
    setAnnouncements({});
    runNodeLoad(previousNodes);
    runAnnouncementLoad(previousAnnouncements);
}

// Remembered account --------------------------------------------------------------------------

bool AppState::rememberAccount() const { return m_collaborators.settings.boolOr(SettingsKeys::rememberAccount, false); }

void AppState::setRememberAccount(bool remember)
{
    m_collaborators.settings.setValue(SettingsKeys::rememberAccount, remember);
}

std::optional<QString> AppState::rememberedEmail() const
{
    if (!rememberAccount())
        return std::nullopt;
    return m_collaborators.settings.stringValue(SettingsKeys::rememberedEmail);
}

std::optional<QString> AppState::rememberedPassword() const
{
    if (!rememberAccount())
        return std::nullopt;
    return m_collaborators.keychain.read(kRememberedPassword);
}

void AppState::saveRememberedAccount(const QString& email, const QString& password)
{
    if (rememberAccount()) {
        m_collaborators.settings.setValue(SettingsKeys::rememberedEmail, email);
        m_collaborators.keychain.save(password, kRememberedPassword);
    } else {
        m_collaborators.settings.remove(SettingsKeys::rememberedEmail);
        m_collaborators.keychain.remove(kRememberedPassword);
    }
}

// Favourite and recent nodes ------------------------------------------------------------------

void AppState::storeIds(const QString& key, const QList<qint64>& ids)
{
    QJsonArray array;
    for (const auto id : ids)
        array.append(id);
    m_collaborators.settings.setValue(key, array);
    emit objectWillChange();
}

QSet<qint64> AppState::favoriteNodeIds() const
{
    const auto ids = storedIds(m_collaborators.settings, SettingsKeys::favoriteNodeIds);
    return QSet<qint64>(ids.cbegin(), ids.cend());
}

void AppState::toggleFavorite(qint64 nodeId)
{
    auto favorites = favoriteNodeIds();
    if (!favorites.remove(nodeId))
        favorites.insert(nodeId);
    QList<qint64> ids(favorites.cbegin(), favorites.cend());
    std::sort(ids.begin(), ids.end());
    storeIds(SettingsKeys::favoriteNodeIds, ids);
}

bool AppState::isFavorite(qint64 nodeId) const { return favoriteNodeIds().contains(nodeId); }

QList<Node> AppState::favoriteNodes() const
{
    const auto favorites = favoriteNodeIds();
    QList<Node> nodes;
    for (const auto& node : m_nodes) {
        if (favorites.contains(node.id))
            nodes.append(node);
    }
    return nodes;
}

QList<qint64> AppState::recentNodeIds() const
{
    return storedIds(m_collaborators.settings, SettingsKeys::recentNodeIds);
}

void AppState::addRecent(qint64 nodeId)
{
    auto ids = recentNodeIds();
    ids.removeAll(nodeId);
    ids.prepend(nodeId);
    if (ids.size() > kMaxRecent)
        ids.resize(kMaxRecent);
    storeIds(SettingsKeys::recentNodeIds, ids);
}

QList<Node> AppState::recentNodes() const
{
    QList<Node> nodes;
    for (const auto id : recentNodeIds()) {
        const auto it
            = std::find_if(m_nodes.cbegin(), m_nodes.cend(), [id](const Node& node) { return node.id == id; });
        if (it != m_nodes.cend())
            nodes.append(*it);
    }
    return nodes;
}

QString AppState::customDNS() const { return m_collaborators.settings.stringOr(SettingsKeys::customDNS, QString()); }

bool AppState::autoFastestNode() const { return m_collaborators.settings.boolOr(SettingsKeys::autoFastestNode, false); }

// Fastest node --------------------------------------------------------------------------------

QCoro::Task<> AppState::autoConnectFastest()
{
    if (!autoFastestNode() || !m_collaborators.connectionIsIdle())
        co_return;
    const auto candidates = FastestNode::candidates(m_nodes);
    if (candidates.isEmpty())
        co_return;
    QPointer<AppState> self(this);
    setIsAutoSelecting(true);
    const auto measured = co_await m_collaborators.pingNodes(candidates);
    if (!self)
        co_return;
    const auto choice = FastestNode::choose(candidates, measured, favoriteNodeIds());
    // The user may have connected while the probes ran: that connection stays.
    if (!choice || choice->ms > FastestNode::maxConnectMs || !m_collaborators.connectionIsIdle()) {
        setIsAutoSelecting(false);
        co_return;
    }
    try {
        co_await m_collaborators.connectNode(choice->node);
    } catch (const std::exception& error) {
        console(QStringLiteral("Auto-connect failed: ") + describe(error));
    }
    if (self)
        setIsAutoSelecting(false);
}
