#pragma once

#include <memory>

#include <QUrl>

// Hands a web address or a file to the desktop (browser, file manager).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;

    // The implementation of this system; the application context owns the one it makes.
    static std::unique_ptr<UrlOpener> makeNative();
};
