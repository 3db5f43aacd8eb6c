#pragma once

#include <QString>

// Whether a file may be run with root rights: a program that any other user can replace, or put
// in a folder another user can change, would run that user's code as root.
namespace RootTrust {

// True when the file exists and it and every folder above it belong to root and can be written
// by no one else, none of them a link; otherwise false with the first offending path in *why.
// An absolute path is expected.
bool onlyRootCanChange(const QString& path, QString* why);

} // namespace RootTrust
