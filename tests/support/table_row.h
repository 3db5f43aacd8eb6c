#pragma once

#include <iterator>
#include <string>

// "row N" (counted from 1) of a table of cases, for SCOPED_TRACE: a failure says which row.
template <typename Table, typename Row>
std::string tableRow(const Table& table, const Row& row)
{
    return "row " + std::to_string(&row - &*std::begin(table) + 1);
}
