#pragma once

#include <QString>

// Starts a downloaded installer as a program of its own, without arguments
// and without a shell, so nothing in its name is ever interpreted. False,
// with the reason, when the file is missing or cannot be started.
bool launchInstaller(const QString& path, QString* reason);
