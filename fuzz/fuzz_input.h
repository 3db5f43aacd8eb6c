#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes split into a one-byte choice (which decoder, how to cut) and the rest, the
// bytes the decoder is fed.
struct FuzzInput {
    FuzzInput(const uint8_t* data, size_t size)
        : choice(size > 0 ? data[0] : 0)
        , bytes(size > 1 ? QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)) : QByteArray())
    {
    }

    uint8_t choice;
    QByteArray bytes;
};
