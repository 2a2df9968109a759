#pragma once

#include "state/SharedState.h"

#include <QString>

#include <optional>

namespace qvic {

// Where the program keeps its files on Linux: AppDir is $QVIC_APP_DIR, else
// $XDG_DATA_HOME/qv-instant-crawl; WinDir (the password file) is $QVIC_WIN_DIR,
// else $XDG_CONFIG_HOME/qv-instant-crawl. Neither ever lies inside the build tree.
// The window and the command line start from the same folders.
QString appDir();
QString winDir();

// The site's settings, which the administrator owns and an operator cannot
// change: $QVIC_SITE_CONFIG, else /etc/qv-instant-crawl.conf.
QString siteSettingsFile();

// Fixes every path, creates the three application folders (parents first,
// nothing else), sets the FTP account and the untitled document. Returns the
// reason, naming the folder or file, when a folder cannot be created or IC.ini
// or icpass.ini is there but no regular file or larger than the small-file limit.
std::optional<QString> setUpFolders(SharedState &state, const QString &appDir,
                                      const QString &winDir);

} // namespace qvic
