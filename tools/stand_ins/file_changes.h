#pragma once

// Tells when a file may have changed: written, replaced, renamed or removed, or its folder
// removed or renamed (inotify on the folder, which sees a file replaced by a rename).
#include <QString>

#include <memory>

class FileChanges {
public:
    // Watching, or nullptr with the reason in *why.
    static std::unique_ptr<FileChanges> watch(const QString& file, QString* why);
    ~FileChanges();
    FileChanges(const FileChanges&) = delete;
    FileChanges& operator=(const FileChanges&) = delete;

    // Readable when news waits.
    int descriptor() const { return m_inotify; }
    // Whether the file may have changed since the last call; takes the news without waiting.
    bool changed();

private:
    FileChanges(int inotify, QByteArray name);

    const int m_inotify;
    const QByteArray m_name;
};
