#pragma once

#include <QString>

// The macOS installer: a shell script that launchd runs as root once the application has quit,
// which swaps the new application in from the downloaded disk image. The job runs from a
// directory of its own that only root can write, with its own copies of the script and the image.
namespace UpdateInstaller {

// The developer team whose signature a new application must carry to be installed.
inline const QString teamIdentifier = QStringLiteral("V3LM0RAND7");

// Where the download of `version` is stored in the download's private working directory.
QString diskImagePath(const QString& workDir, const QString& version);

// Whether a working directory may be written into a root script as it is: an absolute path of
// letters, digits and "/._-" only.
bool isSafeWorkDir(const QString& workDir);

// The code-signing requirement the new application must meet: signed through Apple's chain with
// our team's certificate.
QString signatureRequirement();

// The install script for a disk image of `version` (strict dotted numbers) lying next to it.
QString scriptText(const QString& version);

// "com.velmorand.updater" and the first 8 characters of a fresh UUID.
QString newJobLabel();

// The administrator command: makes a fresh job directory only root can write, copies the disk
// image of `version` from `workDir` (safe) and the install script into it, and hands the script
// to launchd under `label`.
QString submissionScript(const QString& label, const QString& workDir, const QString& version);

} // namespace UpdateInstaller
