#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What a later launch writes to the running instance's socket, read line by line. Anyone of this
// user can write there, so a line is bounded: a peer whose line runs past the bound is not
// buffered further and should be dropped.
class InstanceRequestReader {
public:
    // The longest line taken, its line feed included; "reopen\n" is far below it.
    static constexpr qsizetype maxLineBytes = 256;

    struct Outcome {
        // Whole "reopen" lines among the bytes fed; other lines are ignored.
        int reopenRequests = 0;
        // A line longer than the bound: drop the peer, nothing more is read from it.
        bool overlong = false;
    };

    Outcome feed(QByteArrayView bytes);

private:
    QByteArray m_partialLine;
    bool m_overlong = false;
};
