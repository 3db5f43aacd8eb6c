#include "first_paint_log.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QWidget>

namespace {

// Watches the whole application until a window receives its first paint, then leaves.
class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QString path, QObject* parent)
        : QObject(parent)
        , m_path(std::move(path))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            qApp->removeEventFilter(this);
            write();
            deleteLater();
        }
        return false;
    }

private:
    void write() const
    {
        QFile log(m_path);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n');
    }

    QString m_path;
};

} // namespace

void logFirstPaintWhenAsked()
{
    const auto path = qEnvironmentVariable("VELMORAND_FIRST_PAINT_LOG");
    if (!path.isEmpty())
        new FirstPaintWatcher(path, qApp);
}
