#pragma once

#include <QObject>
#include <QSaveFile>
#include <QString>

class QNetworkReply;

// One disk-image download into a file of a private directory. Progress goes out as a fraction
// (the updater posts it as "downloadProgress"); the file is kept only when the whole body of a 2xx answer
// arrived and was written. Deletes itself when it has reported.
class UpdateDownload : public QObject {
    Q_OBJECT
public:
    // Takes ownership of the reply.
    UpdateDownload(QNetworkReply* reply, const QString& targetPath, QObject* parent = nullptr);

signals:
    // The part received, 0..1, when the answer gives its length.
    void progress(double fraction);
    void stored(const QString& path);
    // No usable answer: a transport failure or a status outside 2xx.
    void transferFailed(const QString& reason);
    // The answer arrived but could not be written to the file.
    void storingFailed(const QString& reason);

private:
    bool hasSuccessStatus() const;
    void onReadyRead();
    void onFinished();

    QNetworkReply* m_reply;
    QSaveFile m_file;
    QString m_refusal;
    QString m_writeError;
};
