#pragma once

#include "connection/xray_manager.h"
#include "platform/settings_keys.h"
#include "support/qt_printers.h"
#include "support/recording_child_launcher.h"
#include "support/temp_settings.h"

#include <QTemporaryDir>

#include <memory>

// An XrayManager over fake children, with its own settings, resources and configuration
// directory. Ports are not checked unless a test asks for them.
struct XrayFixture {
    static inline const QString fallbackHost = QStringLiteral("api-c.velmorand.example");

    TempSettings settings;
    QTemporaryDir resources;
    QTemporaryDir runtime;
    RecordingChildLauncher launcher;

    XrayManager::Options options() const
    {
        XrayManager::Options options;
        options.resourcesDir = resources.path();
        options.configDir = runtime.filePath(QStringLiteral("velmorand-xray"));
        options.secondFallbackHost = fallbackHost;
        options.listenPorts = {};
        options.readyPollInterval = std::chrono::milliseconds(5);
        return options;
    }

    std::unique_ptr<XrayManager> make(const XrayManager::Options& options)
    {
        return std::make_unique<XrayManager>(*settings.store, launcher, options);
    }
    std::unique_ptr<XrayManager> make() { return make(options()); }

    // Puts an executable "xray" (never run: the children are fakes) and geodata into the resources.
    void installCore() const
    {
        for (const auto& name : {QStringLiteral("xray"), QStringLiteral("geoip.dat"), QStringLiteral("geosite.dat")}) {
            QFile file(resources.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write("resources " + name.toUtf8());
        }
    }
};

inline Node testNode(const QString& server = QStringLiteral("203.0.113.7"),
                     const QString& method = QStringLiteral("trojan"))
{
    Node node;
    node.id = 7;
    node.name = QStringLiteral("Test node");
    node.server = server;
    node.port = 443;
    node.method = method;
    node.password = QStringLiteral("pw-1");
    node.status = QStringLiteral("online");
    return node;
}
