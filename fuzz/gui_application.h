#pragma once

#include <QGuiApplication>

// The toolkit's text documents and image readers want an application object: one for the whole
// run, on the offscreen platform, which needs no display.
inline void ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}
