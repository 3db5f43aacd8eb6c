#pragma once

#include <QUrl>

// Hands a web address or a file to the desktop (browser, file manager).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;

    // The desktop's opener of this system.
    static UrlOpener& shared();
};
