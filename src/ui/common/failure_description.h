#pragma once

#include <QString>

#include <exception>

// The text a failure describes itself with: the API client's and the decoder's own descriptions,
// else the exception's message.
QString failureDescription(const std::exception& failure);
