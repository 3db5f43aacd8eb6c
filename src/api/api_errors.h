#pragma once

#include <QNetworkReply>
#include <QString>

#include <stdexcept>

// The failures of the API client. Each carries the text screens show as description(); what()
// holds the same text in UTF-8, so a caller that catches std::exception can print any of them.
class ApiClientError : public std::runtime_error {
public:
    explicit ApiClientError(const QString& description)
        : std::runtime_error(description.toStdString())
        , m_description(description)
    {
    }
    QString description() const { return m_description; }

private:
    QString m_description;
};

// The failure of sign-in.
class LoginError : public ApiClientError {
public:
    enum class Kind { network, http, badResponse };

    static LoginError network(const QString& detail) { return LoginError(Kind::network, detail); }
    static LoginError http(const QString& detail) { return LoginError(Kind::http, detail); }
    static LoginError badResponse() { return LoginError(Kind::badResponse, {}); }

    Kind kind() const { return m_kind; }
    QString payload() const { return m_payload; }

private:
    LoginError(Kind kind, const QString& payload);

    Kind m_kind;
    QString m_payload;
};

// An answer of the wrong shape, or a refusal the call cannot hand back as a result.
class ApiError : public ApiClientError {
public:
    enum class Kind { badResponse };

    static ApiError badResponse() { return ApiError(Kind::badResponse); }

    Kind kind() const { return m_kind; }
    friend bool operator==(const ApiError& a, const ApiError& b) { return a.m_kind == b.m_kind; }

private:
    explicit ApiError(Kind kind);

    Kind m_kind;
};

// A request that got no HTTP answer at all: refused, unreachable, timed out, dropped, or given up
// because the client was destroyed while it waited.
class TransportError : public ApiClientError {
public:
    TransportError(QNetworkReply::NetworkError code, const QString& description)
        : ApiClientError(description)
        , m_code(code)
    {
    }

    QNetworkReply::NetworkError code() const { return m_code; }

private:
    QNetworkReply::NetworkError m_code;
};
