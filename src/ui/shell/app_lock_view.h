#pragma once

#include <QWidget>

#include <optional>

class QLabel;

// The lock face: the application icon, the fingerprint symbol, the unlock button, the reason the
// last attempt failed, and a way to skip.
class AppLockView : public QWidget {
    Q_OBJECT
public:
    explicit AppLockView(QWidget* parent = nullptr);

    // The red line under the unlock button; none hides it.
    void setError(const std::optional<QString>& error);
    std::optional<QString> error() const;

signals:
    void unlockRequested();
    void skipRequested();

private:
    QLabel* m_error;
};
