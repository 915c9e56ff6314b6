// The pending update package: newupdate.tar.gz, newupdate.tar.xz or newupdate.rar in the install
// folder, which the start script unpacks over the install folder at the next boot. A damaged
// package could leave the panel PC without a working program, so every writer (the USB update,
// the factory archive, the download) places it through here: read through whole first, and
// swapped in so that the folder never holds a half-written package or two packages at once.
// Called from the GUI thread; the long work (copy, digests, check, flush) runs in a thread of its
// own meanwhile, so that the screen and the machine cycle's tick go on.
#pragma once

#include <QString>

#include <atomic>
#include <functional>

namespace PendingPackage {

// The package name for an update file: "newupdate.tar.gz" when its name holds ".tar.gz", else
// "newupdate.tar.xz" for ".tar.xz", else "newupdate.rar" for ".rar" (case-sensitive); empty for
// any other file.
QString targetFor(const QString& fileName);

// Why the file `path` cannot become the pending package `target`, for the operator; empty when it
// can. The file is read through with the archive library, every entry to its end (and a gzip
// stream against its own checksums): an unreadable or damaged archive, an empty one, or one whose
// compression and format (what the library finds, not the leading bytes alone) are not those of
// the target's extension is refused. So is a package that would place anything outside the folder
// it is unpacked into (an absolute name or one with "..", a symbolic or hard link leading out or
// an entry placed through a link, a device node, FIFO or socket), one that the start script could
// not unpack whole (anything but a folder named "." or "./", an entry repeated, a hard link to a
// folder or to a name not in the package before it, names longer or more than a file system and
// this check take), and one that unpacks to more than unpackedLimitBytes(), stopped as soon as
// that shows; a hard link to a symbolic link is judged as that link, read from the hard link's
// own folder. The reason goes to the log, the operator reads "安装包已损坏". When `cancel` is
// given and becomes true, the check stops soon after ("检查已取消"). Any thread.
QString check(const QString& path, const QString& target, const std::atomic<bool>* cancel = nullptr);
// check() in a thread of its own while the calling thread's events go on (screen, timers, the
// button that sets `cancel`).
QString checkAside(const QString& path, const QString& target, const std::atomic<bool>* cancel = nullptr);
// The most a package may unpack to, in bytes: the sizes its entries declare together, and its
// tar stream (a RAR's files).
qint64 unpackedLimitBytes();
// For tests: called in the checking thread after each block of an entry's data is read; null
// for none.
void setCheckHook(std::function<void()> hook);

// Places `source` in the install folder as `target` (one of the names above): copied to a
// temporary file there and read back against what was read from the source, read through by
// check(), then adopted; all of it in a thread of its own while the calling thread's events go on,
// and stopped soon after `cancel` becomes true ("检查已取消"). False, with the pending package as
// it was and no temporary file left, when any of it failed or was cancelled; `why`, when given,
// then holds the reason for the operator.
bool write(const QString& source, const QString& target, QString* why = nullptr,
           const std::atomic<bool>* cancel = nullptr);
// For tests: called in the copying thread after each block of the copy is written; null for none.
void setCopyHook(std::function<void()> hook);

// Makes `partial`, a complete package written beside the pending package (in the install folder,
// under a name that is no newupdate.* name), the pending package `target`. In this order, each
// step reaching the disk before the next: `partial` flushed; the other newupdate.* files renamed
// aside (no newupdate.* name); `partial` renamed to `target` (replacing a package of that name in
// one step); the set-aside files removed. A cut at any instant leaves the earlier package, the new
// one or none, never two. False, with the earlier package put back and `partial` removed, when a
// step failed.
bool adopt(const QString& partial, const QString& target, QString* why = nullptr);

// For tests: called with the name of each step of adopt() just before it is taken ("flush",
// "aside <name>", "rename", "remove <name>", each folder flush "sync"); null for none.
void setStepHook(std::function<void(const QString& step)> hook);

}  // namespace PendingPackage
