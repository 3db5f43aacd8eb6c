#pragma once

#include "http_message.h"
#include "stand_in_state.h"

#include <QByteArray>
#include <QString>

// The session cookie that sign-in sets and the signed-in calls require.
namespace StandInSession {

inline constexpr char cookieName[] = "velmorand_session";

// A new session for the account; its token is the cookie's value.
QByteArray open(StandInState& state, const QString& email);
void closeAll(StandInState& state, const QString& email);
// Whether one of the request's session cookies names an open session.
bool isSignedIn(const StandInState& state, const HttpRequest& request);

} // namespace StandInSession
