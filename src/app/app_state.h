#pragma once

#include "api/records/account_records.h"
#include "api/records/node.h"
#include "app/debug_log_file.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class ApiService;
class KeychainHelper;
class SettingsStore;

// The shared state the screens show about the signed-in user and the service: the node list,
// profile, announcements, sign-in and loading flags, favourite and recent nodes, and the automatic
// choice of the fastest node. Lives on the main thread.
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<Node> nodes READ nodes WRITE setNodes NOTIFY nodesChanged)
    Q_PROPERTY(std::optional<UserProfileResponse> profile READ profile WRITE setProfile NOTIFY profileChanged)
    Q_PROPERTY(QList<Announcement> announcements READ announcements WRITE setAnnouncements NOTIFY announcementsChanged)
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn WRITE setIsLoggedIn NOTIFY isLoggedInChanged)
    Q_PROPERTY(bool isLoading READ isLoading WRITE setIsLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isAutoSelecting READ isAutoSelecting NOTIFY isAutoSelectingChanged)

public:
    // Measures the given nodes: node id to milliseconds, for the nodes that answered.
    using PingNodes = std::function<QCoro::Task<QHash<qint64, qint64>>(QList<Node>)>;
    // Connects to a node; throws when the connection could not be made.
    using ConnectNode = std::function<QCoro::Task<>(Node)>;
    // Whether no connection is up or under way: the automatic choice never replaces one.
    using ConnectionIsIdle = std::function<bool()>;

    struct Collaborators {
        ApiService& api;
        SettingsStore& settings;
        KeychainHelper& keychain;
        PingNodes pingNodes;
        ConnectNode connectNode;
        ConnectionIsIdle connectionIsIdle;
        QString debugLogPath;
    };

    struct LoginResult {
        bool ok = false;
        std::optional<QString> message;
    };

    explicit AppState(Collaborators collaborators, QObject* parent = nullptr);

    // Published values. Every assignment announces itself, changed or not.
    const QList<Node>& nodes() const { return m_nodes; }
    void setNodes(const QList<Node>& nodes);
    const std::optional<UserProfileResponse>& profile() const { return m_profile; }
    void setProfile(const std::optional<UserProfileResponse>& profile);
    const QList<Announcement>& announcements() const { return m_announcements; }
    void setAnnouncements(const QList<Announcement>& announcements);
    bool isLoggedIn() const { return m_isLoggedIn; }
    void setIsLoggedIn(bool isLoggedIn);
    bool isLoading() const { return m_isLoading; }
    void setIsLoading(bool isLoading);
    bool isAutoSelecting() const { return m_isAutoSelecting; }

    // Loaders: each starts its work and returns at once; a failure keeps the previous value.
    void loadNodes();
    void loadAnnouncements();
    void loadProfile();

    // Signs in; a refusal is (false, none), a failure (false, the error's description).
    QCoro::Task<LoginResult> login(QString email, QString password);
    // Forgets the session, profile, node list and remembered account ("rememberAccount" stays).
    void logout();
    // Empties the node list and announcements and loads them again; a failed reload gives the
    // previous lists back.
    void clearCache();

    // The remembered account.
    bool rememberAccount() const;
    void setRememberAccount(bool remember);
    std::optional<QString> rememberedEmail() const;
    std::optional<QString> rememberedPassword() const;
    void saveRememberedAccount(const QString& email, const QString& password);

    // Favourite and recent nodes, read from the settings at every use.
    QSet<qint64> favoriteNodeIds() const;
    void toggleFavorite(qint64 nodeId);
    bool isFavorite(qint64 nodeId) const;
    QList<Node> favoriteNodes() const;
    QList<qint64> recentNodeIds() const;
    // Called after every successful connect: the id moves to the front, at most 10 are kept.
    void addRecent(qint64 nodeId);
    QList<Node> recentNodes() const;

    QString customDNS() const;
    bool autoFastestNode() const;

    // When "autoFastestNode" is on: measures the online nodes and connects to the fastest
    // favourite, else the fastest node, if it answered within 998 ms. Never fails.
    QCoro::Task<> autoConnectFastest();

signals:
    // The whole-object change: sent before each assignment of a published value, and after the
    // favourites or recent nodes were stored.
    void objectWillChange();
    void nodesChanged();
    void profileChanged();
    void announcementsChanged();
    void isLoggedInChanged();
    void isLoadingChanged();
    void isAutoSelectingChanged();

private:
    template <typename T>
    void publish(T& field, const T& value, void (AppState::*changed)())
    {
        emit objectWillChange();
        field = value;
        emit(this->*changed)();
    }

    void setIsAutoSelecting(bool isAutoSelecting);
    void runNodeLoad(std::optional<QList<Node>> restoreOnFailure);
    void runAnnouncementLoad(std::optional<QList<Announcement>> restoreOnFailure);
    void runProfileLoad();
    void debLog(const QString& event) const;
    void storeIds(const QString& key, const QList<qint64>& ids);

    Collaborators m_collaborators;
    DebugLogFile m_debugLog;
    QList<Node> m_nodes;
    std::optional<UserProfileResponse> m_profile;
    QList<Announcement> m_announcements;
    bool m_isLoggedIn = false;
    bool m_isLoading = true;
    bool m_isAutoSelecting = false;
};
