#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;

// The frame of the account and settings screens: the title (the window's title; with a symbol,
// also a bold header row above a hairline) and a scrolling column padded 20 points. Returns the
// column that takes the screen's content.
QVBoxLayout* buildScrollingScreen(QWidget* screen, const QString& title, const QString& headerSymbol = QString());
