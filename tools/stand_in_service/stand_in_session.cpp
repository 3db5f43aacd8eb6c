#include "stand_in_session.h"

#include <QRandomGenerator>

#include <algorithm>

namespace StandInSession {

QByteArray open(StandInState& state, const QString& email)
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    const auto text = QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
    state.sessions.insert(QString::fromLatin1(text), email);
    return text;
}

void closeAll(StandInState& state, const QString& email)
{
    state.sessions.removeIf([&](const auto& session) { return session.value() == email; });
}

bool isSignedIn(const StandInState& state, const HttpRequest& request)
{
    const auto tokens = request.cookies(cookieName);
    return std::any_of(tokens.begin(), tokens.end(),
                       [&](const QByteArray& token) { return state.sessions.contains(QString::fromLatin1(token)); });
}

} // namespace StandInSession
