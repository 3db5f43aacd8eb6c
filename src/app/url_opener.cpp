#include "url_opener.h"

#include <QDebug>
#include <QProcess>

namespace {

// The freedesktop opener; it returns at once and the desktop shows the result.
class XdgUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override
    {
        if (!QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)}))
            qWarning().noquote() << "[UrlOpener] could not open" << url.toDisplayString();
    }
};

} // namespace

std::unique_ptr<UrlOpener> UrlOpener::makeNative() { return std::make_unique<XdgUrlOpener>(); }
