#pragma once

#include <QString>

// Where the program keeps its files. Each directory can be moved by an environment variable, so
// the demo and the tests run with throwaway directories.
namespace Paths {
// The settings store's directory: VELMORAND_CONFIG_DIR, else the user's configuration directory.
QString configDir();
// Per-user state kept across runs (the stand-ins' proxy state): VELMORAND_STATE_DIR, else the
// user's state directory.
QString stateDir();
// A directory private to the user for files that must not outlive the session or be read by
// others (the core's configuration with credentials): XDG_RUNTIME_DIR, else a 0700 directory in
// the temporary directory. Created 0700 on first use.
QString privateRuntimeDir();
// The application's resources (the proxy core, its data files, the stand-in tools):
// VELMORAND_RESOURCES_DIR, else "resources" next to the executable (the build tree), else the
// installed resource directory found relative to the executable (bin/../libexec/velmorand).
// Warns once when neither holds the proxy core.
QString resourcesDir();
// The resources that came with the program, wherever the environment points: next to the
// executable, else the installed resource directory.
QString bundledResourcesDir();
} // namespace Paths
