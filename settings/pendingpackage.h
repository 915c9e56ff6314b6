// The pending update package: newupdate.tar.gz, newupdate.tar.xz or newupdate.rar in the install
// folder, which the start script unpacks and applies at the next boot. Every writer (the USB
// update, the factory archive, the download) places it through here, so the folder never holds a
// half-written package or two packages at once. GUI thread only.
#pragma once

#include <QString>

namespace PendingPackage {

// The package name for an update file: "newupdate.tar.gz" when its name holds ".tar.gz", else
// "newupdate.tar.xz" for ".tar.xz", else "newupdate.rar" for ".rar" (case-sensitive); empty for
// any other file.
QString targetFor(const QString& fileName);

// Places `source` in the install folder as `target` (one of the names above): copied to a
// temporary file there, checked against the source, renamed to `target` in one step (replacing a
// package of that name), then the other newupdate.* files are removed. False, with the pending
// package as it was, when the copy or the check failed.
bool write(const QString& source, const QString& target);

// Makes `partial`, a complete package written beside the pending package (in the install folder,
// under a name that is no newupdate.* name), the pending package `target`: flushed to disk,
// renamed to `target` in one step, then the other newupdate.* files are removed. False, with the
// pending package as it was and `partial` removed, when the flush or the rename failed.
bool adopt(const QString& partial, const QString& target);

}  // namespace PendingPackage
