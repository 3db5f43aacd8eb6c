#include "update_download.h"

#include <QNetworkReply>

UpdateDownload::UpdateDownload(QNetworkReply* reply, const QString& targetPath, QObject* parent)
    : QObject(parent)
    , m_reply(reply)
    , m_file(targetPath)
{
    m_reply->setParent(this);
    if (!m_file.open(QIODevice::WriteOnly))
        m_writeError = m_file.errorString();
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            emit progress(static_cast<double>(received) / static_cast<double>(total));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateDownload::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateDownload::onFinished);
}

bool UpdateDownload::hasSuccessStatus() const
{
    const auto status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
}

void UpdateDownload::onReadyRead()
{
    if (!m_refusal.isEmpty())
        return;
    if (!hasSuccessStatus()) {
        // An error page is no disk image: stop reading it.
        m_refusal = QStringLiteral("HTTP ") + m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toString();
        m_reply->abort();
        return;
    }
    const auto chunk = m_reply->readAll();
    if (m_writeError.isEmpty() && m_file.write(chunk) != chunk.size())
        m_writeError = m_file.errorString();
}

void UpdateDownload::onFinished()
{
    deleteLater();
    if (!m_refusal.isEmpty() || m_reply->error() != QNetworkReply::NoError || !hasSuccessStatus()) {
        m_file.cancelWriting();
        const auto reason = !m_refusal.isEmpty() ? m_refusal : m_reply->errorString();
        emit transferFailed(reason.isEmpty() ? QStringLiteral("no answer") : reason);
        return;
    }
    onReadyRead();
    if (m_writeError.isEmpty() && !m_file.commit())
        m_writeError = m_file.errorString();
    if (!m_writeError.isEmpty()) {
        m_file.cancelWriting();
        emit storingFailed(m_writeError);
        return;
    }
    emit stored(m_file.fileName());
}
