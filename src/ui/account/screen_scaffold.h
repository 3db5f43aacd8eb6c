#pragma once

#include <QString>

class QVBoxLayout;
class QWidget;

// The frame of the account and settings screens: a bold title with its symbol, a hairline, and
// a scrolling column padded 20 points; returns the column that takes the screen's content.
QVBoxLayout* buildScrollingScreen(QWidget* screen, const QString& symbol, const QString& title);
