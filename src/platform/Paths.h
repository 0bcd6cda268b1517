#pragma once
// The program's paths are Windows paths ("c:\kw-velt\default.txt"). On a
// non-Windows host the "C:\" drive is a folder, the installation's drive,
// named by PDV_DRIVE (default ~/.pdv-velt/drive), and every component below it
// is folded to lower case so "Grade.Html" and "grade.html" are one file.
#include <QString>

namespace platform {

// The folder that stands for "C:\" (absolute, no trailing slash).
QString driveRoot();

// Maps a program path onto the host. Windows paths with a drive letter land
// under driveRoot(); a path that is already a host path is returned unchanged.
QString hostPath(const QString &programPath);

// True when the text looks like a Windows path with a drive letter ("c:\..." or "c:/...").
bool isWindowsDrivePath(const QString &path);

}  // namespace platform
