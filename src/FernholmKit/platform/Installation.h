#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace fernholm {

// The install's own list of what it put under its prefix, relative to the prefix, written by the
// install as its last file: "share/tarvine/installed-files". Lines are paths of files; a line
// ending in "/" names a folder that holds nothing but the program's own files (its private
// libraries, its resources); blank lines and lines starting with "#" say nothing.
struct InstallManifest {
    static const QString path;    // relative to the prefix
    static const QString program; // the program, relative to the prefix: "bin/tarvine"

    QStringList files;
    QStringList ownFolders;

    static InstallManifest parse(const QByteArray& text);
};

// What of this program's own installation goes to the trash when it is uninstalled, for the
// given environment and the running program's path:
// - started from an AppImage ($APPIMAGE names an existing file and the program runs from inside
//   that image's $APPDIR): the image file;
// - installed under a prefix in the home folder that the user owns and may write, as
//   <prefix>/bin/tarvine beside its manifest (which lists that program): exactly the files the
//   manifest lists that are still there, each own folder as one item when every file in it is a
//   listed one. Nothing outside the prefix, nothing reached through a linked folder, never the
//   prefix itself or a file the install did not put there;
// - anything else, a system-wide install or a build tree among them: nothing.
// An $APPIMAGE inherited from another program's image does not count.
QStringList installedItems(const QMap<QString, QString>& env, const QString& executablePath);

} // namespace fernholm
