#pragma once

#include <QString>

// The files and texts of the macOS installer: a shell script that launchd runs as root once the
// application has quit, which swaps the new application in from the downloaded disk image.
// Everything it touches lives in one private working directory of this download.
namespace UpdateInstaller {

QString diskImagePath(const QString& workDir, const QString& version);
QString scriptPath(const QString& workDir);

// Whether a working directory may be written into a root script as it is: an absolute path of
// letters, digits and "/._-" only.
bool isSafeWorkDir(const QString& workDir);

// The install script for a disk image of `version` (strict dotted numbers) in `workDir` (safe).
QString scriptText(const QString& workDir, const QString& version);

// "com.velmorand.updater" and the first 8 characters of a fresh UUID.
QString newJobLabel();

// The administrator command that hands the script to launchd under `label`.
QString submissionScript(const QString& label, const QString& scriptPath);

} // namespace UpdateInstaller
