#include "ui/common/theme.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The look the program applies at start, for every screen a test builds without a theme of
    // its own (see ScopedTheme).
    Theme theme;
    theme.setAppearance(QStringLiteral("light"));
    theme.apply();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
