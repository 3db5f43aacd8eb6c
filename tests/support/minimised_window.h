#pragma once

#include <QWidget>

// Minimises a shown window and brings it back as the window system does: the toolkit sends the
// window and each of its shown children a spontaneous hide, and on the way back a spontaneous
// show. A screen must tell these from being closed or replaced by another tab.
inline void minimiseWindow(QWidget& window) { window.setWindowState(window.windowState() | Qt::WindowMinimized); }

inline void restoreWindow(QWidget& window) { window.setWindowState(window.windowState() & ~Qt::WindowMinimized); }
