#pragma once

// Table-driven checks shared by the record tests: each family lists its decoding cases as rows of
// JSON text, whether the text must decode, and what the decoded record must hold.

#include "api/records/json_reader.h"
#include "support/table_row.h"

#include <QByteArray>
#include <QJsonValue>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>

// Decodes a JSON value as one record type and checks the outcome; made by as<T>().
using RecordCheck = std::function<void(const QJsonValue& json, bool decodes)>;

template <typename T>
RecordCheck as(std::function<void(const T&)> checks = {})
{
    return [checks](const QJsonValue& json, bool decodes) {
        if (!decodes) {
            EXPECT_THROW(T::fromJson(json), DecodingError);
            return;
        }
        std::optional<T> record;
        try {
            record = T::fromJson(json);
        } catch (const DecodingError& error) {
            ADD_FAILURE() << "does not decode: " << error.what();
            return;
        }
        if (checks)
            checks(*record);
    };
}

struct DecodeCase {
    const char* json;
    bool decodes;
    RecordCheck record;
};

inline void runDecodeCases(std::initializer_list<DecodeCase> cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        QJsonValue json;
        ASSERT_NO_THROW(json = JsonReader::parse(c.json)) << "the row is not JSON";
        c.record(json, c.decodes);
    }
}

// A record written as JSON and the exact text expected, keys in wire order.
struct EncodeCase {
    QByteArray written;
    const char* expected;
};

inline void runEncodeCases(std::initializer_list<EncodeCase> cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(tableRow(cases, c));
        EXPECT_EQ(c.written.toStdString(), std::string(c.expected));
    }
}
