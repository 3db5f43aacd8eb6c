#pragma once

#include <QList>
#include <QWidget>

class IconButton;
class QLabel;

// The element after the first occurrence of `element`, wrapping from the last to the first; the
// first element when `element` does not occur. `list` must not be empty.
template <typename T>
T cyclicNext(const QList<T>& list, const T& after)
{
    const auto index = list.indexOf(after);
    if (index < 0)
        return list.first();
    return list.at((index + 1) % list.size());
}

// The toolbar of the full window: the detail screen's title, then the compact-window,
// appearance and announcements buttons.
class MainToolbar : public QWidget {
    Q_OBJECT
public:
    explicit MainToolbar(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    // Shows the symbol and help text for the stored appearance value.
    void setAppearance(const QString& appearance);
    void setUnreadAnnouncements(bool unread);

    IconButton* compactButton() const { return m_compact; }
    IconButton* appearanceButton() const { return m_appearance; }
    IconButton* announcementsButton() const { return m_announcements; }

signals:
    void compactRequested();
    void appearanceRequested();
    void announcementsRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title;
    IconButton* m_compact;
    IconButton* m_appearance;
    IconButton* m_announcements;
};
