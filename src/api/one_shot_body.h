#pragma once

#include <QByteArray>
#include <QIODevice>

// A request body that can be read only once. Qt 6.4 sends a request again on its own when the
// connection closes before an answer arrives, POSTs included; with a body that cannot be
// rewound that second sending fails (ContentReSendError) instead, so that an order or a message
// that may already have reached the service is never created twice.
class OneShotBody : public QIODevice {
    Q_OBJECT
public:
    explicit OneShotBody(QByteArray data, QObject* parent = nullptr);

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    QByteArray m_data;
    qint64 m_offset = 0;
};
