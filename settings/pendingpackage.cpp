#include "settings/pendingpackage.h"

#include "core/atomicfile.h"
#include "core/platformutils.h"
#include "core/runaside.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>


#include <atomic>
#include <cstdio>
#include <memory>

namespace {

const char* const kPackageNames[] = {"newupdate.tar.gz", "newupdate.tar.xz", "newupdate.rar"};
// Not a newupdate.* name: the start script must never take a half-written copy for a package.
const char* const kPartialName = "pending-package.part";
// An earlier package while the new one takes its place: "superseded-newupdate.rar" and the like.
const char* const kAsidePrefix = "superseded-";
constexpr size_t kReadBlock = 64 * 1024;
// The most a package may unpack to. The install folder with the program, its libraries and its
// pictures takes a few hundred MB; a download may bring 512 MB packed.
constexpr qint64 kUnpackedLimitBytes = qint64(2) << 30;
// What the tar stream of a gzip package may hold after the tar's end: the padding of its last
// record (10 KiB by default, 1 MiB at the largest blocking tar offers), with room to spare.
constexpr qint64 kTarTrailerBytes = 16 * 1024 * 1024;

std::function<void(const QString&)>& stepHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

std::function<void()>& checkHook()
{
    static std::function<void()> hook;
    return hook;
}

bool cancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load();
}

void step(const QString& name)
{
    if (stepHook())
        stepHook()(name);
}

QString text(const char* source)
{
    return QCoreApplication::translate("PendingPackage", source);
}

std::function<void()>& copyHook()
{
    static std::function<void()> hook;
    return hook;
}

enum class Copied { Whole, Failed, Cancelled };

// `file` read to its end block by block, each block handed to `take` and its bytes to `hash`;
// stops soon after a cancel, and fails where `take` does.
Copied readBlocks(QFile& file, QCryptographicHash& hash, const std::atomic<bool>* cancel,
                  const std::function<bool(const char*, qint64)>& take)
{
    QByteArray block(int(kReadBlock), Qt::Uninitialized);
    for (;;) {
        if (cancelled(cancel))
            return Copied::Cancelled;
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0)
            return Copied::Failed;
        if (got == 0)
            return Copied::Whole;
        hash.addData(block.constData(), int(got));
        if (!take(block.constData(), got))
            return Copied::Failed;
    }
}

// The SHA-1 of `path`, read block by block so that a cancel stops it soon.
Copied digestOf(const QString& path, QByteArray& digest, const std::atomic<bool>* cancel)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Copied::Failed;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const Copied read = readBlocks(file, hash, cancel, [](const char*, qint64) { return true; });
    if (read == Copied::Whole)
        digest = hash.result();
    return read;
}

// `source` copied to `partial` block by block, hashing what was read, and the copy read back
// against that digest, as the file system hands it back (its pages may still be in memory: the
// flush at the adoption is what puts them on the disk).
// Stops soon after a cancel. The caller removes `partial` unless it comes back whole.
Copied copyWhole(const QString& source, const QString& partial, const std::atomic<bool>* cancel)
{
    QFile in(source);
    QFile out(partial);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Copied::Failed;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    qint64 copied = 0;
    const Copied read = readBlocks(in, hash, cancel, [&](const char* data, qint64 size) {
        if (out.write(data, size) != size)
            return false;
        copied += size;
        if (copyHook())
            copyHook()();
        return true;
    });
    if (read != Copied::Whole)
        return read;
    // A source that grew or shrank while it was read is no package to trust.
    if (!out.flush() || copied != in.size())
        return Copied::Failed;
    out.close();
    QByteArray written;
    const Copied readBack = digestOf(partial, written, cancel);
    if (readBack != Copied::Whole)
        return readBack;
    return written == hash.result() ? Copied::Whole : Copied::Failed;
}

// A rename or removal reaches the disk with its folder.
void flushFolder(const QDir& folder)
{
    step(QStringLiteral("sync"));
    flushPath(folder.absolutePath());
}

bool renameFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The gzip stream of `path` inflated to its end, member after member, each against its CRC-32 and
// length; the archive library does not look at them. Only zero bytes may follow the last member.
// Stops as soon as more than `maxBytes` have come out, or on a cancel.
enum class Inflated { Whole, Damaged, TooLarge, Cancelled };
Inflated gzipStreamWhole(const QString& path, qint64 maxBytes, const std::atomic<bool>* cancel)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Inflated::Damaged;
    z_stream stream{};
    // 16 + 15: a gzip wrapper, whose trailer zlib checks.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return Inflated::Damaged;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
    QByteArray in;
    QByteArray out(int(kReadBlock), Qt::Uninitialized);
    bool inMember = true;
    qint64 produced = 0;  // over all members
    for (;;) {
        if (produced > maxBytes)
            return Inflated::TooLarge;
        if (cancelled(cancel))
            return Inflated::Cancelled;
        if (stream.avail_in == 0) {
            in = file.read(qint64(kReadBlock));
            if (in.isEmpty())
                return !inMember && file.error() == QFileDevice::NoError ? Inflated::Whole : Inflated::Damaged;
            stream.next_in = reinterpret_cast<Bytef*>(in.data());
            stream.avail_in = uInt(in.size());
        }
        if (!inMember) {
            // After a member: padding of zeros, or the next member.
            if (*stream.next_in == 0) {
                ++stream.next_in;
                --stream.avail_in;
                continue;
            }
            if (inflateReset(&stream) != Z_OK)
                return Inflated::Damaged;
            inMember = true;
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        produced += qint64(out.size()) - qint64(stream.avail_out);
        if (result == Z_STREAM_END)
            inMember = false;
        else if (result != Z_OK)
            return Inflated::Damaged;
    }
}

// One file of a RAR archive as its headers give it: the CRC-32 of its unpacked bytes, none for a
// folder.
struct RarFile {
    bool folder = false;
    quint32 crc = 0;
};

quint32 crc32Of(const QByteArray& bytes)
{
    return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

quint32 little(const QByteArray& bytes, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(bytes.at(at + i));
    return v;
}

// RAR 5's variable-length number at `at`, moving `at` past it; false past the end.
bool vint(const QByteArray& bytes, int& at, quint64& value)
{
    value = 0;
    for (int shift = 0; at < bytes.size() && shift < 64; shift += 7) {
        const quint8 byte = quint8(bytes.at(at++));
        value |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

// The archive library neither checks the CRC-32 of a stored RAR file nor notices a RAR 5 archive
// cut between two files, so the headers are walked here: every header's own CRC, every data area
// inside the file, and the end-of-archive header. The files in order, or false.
bool walkRar(const QString& path, std::vector<RarFile>& files)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 total = file.size();
    const QByteArray signature = file.read(8);
    const bool five = signature == QByteArray("Rar!\x1a\x07\x01\x00", 8);
    if (!five && !signature.startsWith(QByteArray("Rar!\x1a\x07\x00", 7)))
        return false;
    qint64 at = five ? 8 : 7;
    while (at < total) {
        if (!file.seek(at))
            return false;
        if (!five) {
            const QByteArray head = file.read(7);
            if (head.size() < 7)
                return false;
            const int type = quint8(head.at(2));
            const quint32 flags = little(head, 3, 2);
            const quint32 size = little(head, 5, 2);
            if (size < 7 || at + size > total)
                return false;
            file.seek(at);
            const QByteArray header = file.read(size);
            if ((crc32Of(header.mid(2)) & 0xffff) != little(header, 0, 2))
                return false;
            if (type == 0x7b)
                return true;
            if (type == 0x73 && (flags & 0x0080))
                return false;  // encrypted headers
            quint64 data = 0;
            if (flags & 0x8000) {
                if (size < 11)
                    return false;
                data = little(header, 7, 4);
            }
            if (type == 0x74) {
                if (size < 32)
                    return false;
                if (flags & 0x0100) {
                    if (size < 40)
                        return false;
                    data |= quint64(little(header, 32, 4)) << 32;
                }
                files.push_back({(flags & 0x00e0) == 0x00e0, little(header, 16, 4)});
            }
            at += size + qint64(data);
        } else {
            QByteArray head = file.read(4 + 10);
            int pos = 4;
            quint64 size = 0;
            if (!vint(head, pos, size) || size == 0 || size > (2 << 20) || at + pos + qint64(size) > total)
                return false;
            file.seek(at);
            const QByteArray header = file.read(pos + qint64(size));
            if (crc32Of(header.mid(4)) != little(header, 0, 4))
                return false;
            quint64 type = 0, flags = 0, extra = 0, data = 0;
            if (!vint(header, pos, type) || !vint(header, pos, flags))
                return false;
            if ((flags & 1) && !vint(header, pos, extra))
                return false;
            if ((flags & 2) && !vint(header, pos, data))
                return false;
            if (type == 5)
                return true;
            if (type == 4)
                return false;  // encrypted headers
            if (type == 2) {
                quint64 fileFlags = 0, unpacked = 0, attributes = 0;
                if (!vint(header, pos, fileFlags) || !vint(header, pos, unpacked) || !vint(header, pos, attributes))
                    return false;
                if (fileFlags & 2)
                    pos += 4;
                RarFile entry{(fileFlags & 1) != 0, 0};
                if (fileFlags & 4) {
                    if (pos + 4 > header.size())
                        return false;
                    entry.crc = little(header, pos, 4);
                } else if (!entry.folder) {
                    return false;
                }
                files.push_back(entry);
            }
            at += header.size() + qint64(data);
        }
    }
    // No end-of-archive header: cut short.
    return false;
}

// The parts of an entry's name or a link's target, "." and empty parts left out. Backslashes
// separate too: an archive made on Windows may use them, and whatever unpacks it may take them so.
QStringList nameParts(const QString& name)
{
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    QStringList parts = name.split(separators, Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    return parts;
}

bool isAbsolute(const QString& name)
{
    return name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'));
}

// The most a package may hold, and its longest names: beyond them the start script's tar could
// not unpack it whole (a name longer than the file system takes stops it half-way), or the check
// itself would take memory and time without end. An install folder holds a few thousand files.
constexpr int kMaxEntries = 100000;
constexpr int kMaxNameBytes = 4095;      // a path, less its closing zero
constexpr int kMaxNamePartBytes = 255;   // one file name
constexpr qint64 kMaxAllNameBytes = 4 << 20;  // every name and link target together
// Folders and entries the names make together: each is kept while the package is read (about 150
// bytes each), and deep names of one letter per folder make many from few bytes.
constexpr int kMaxTreeNames = 200000;
// Links followed one through another before the chain is taken for a loop, as the kernel does.
constexpr int kMaxLinkChain = 40;

// Why `name` is longer than a file system takes; empty when it is not.
QString tooLong(const QString& name, const QStringList& parts)
{
    if (name.toUtf8().size() > kMaxNameBytes)
        return QStringLiteral("a name too long (%1 characters)").arg(name.size());
    for (const QString& part : parts)
        if (part.toUtf8().size() > kMaxNamePartBytes)
            return QStringLiteral("a name part too long (%1 characters)").arg(part.size());
    return QString();
}

// The package's names as a tree, one node per folder or entry, node 0 the folder it is unpacked
// into. Nodes are numbered in the order they are made, a folder before what it holds. Following a
// name costs its length, however deep it goes.
class NameTree {
public:
    static constexpr int kNone = -1;

    int child(int node, const QString& part) const { return m_children.value(key(node, part), kNone); }
    int add(int node, const QString& part)
    {
        const QString name = key(node, part);
        const auto found = m_children.constFind(name);
        if (found != m_children.constEnd())
            return *found;
        m_parents.push_back(node);
        const int added = int(m_parents.size()) - 1;
        m_children.insert(name, added);
        return added;
    }
    // The node of `parts` from the top; kNone when the tree does not hold it.
    int find(const QStringList& parts) const
    {
        int node = 0;
        for (int i = 0; i < parts.size() && node != kNone; ++i)
            node = child(node, parts.at(i));
        return node;
    }
    int parent(int node) const { return m_parents[size_t(node)]; }
    int size() const { return int(m_parents.size()); }

private:
    static QString key(int node, const QString& part) { return QString::number(node) + QLatin1Char('/') + part; }

    QHash<QString, int> m_children;  // "<parent node>/<part>" -> node
    std::vector<int> m_parents{kNone};
};

// What the package's entries would place, gathered while they are read: why the start script
// could write outside the install folder by unpacking them, or could not unpack them whole; empty
// when it cannot.
class EntryWatch {
public:
    QString take(archive_entry* entry)
    {
        const char* raw = archive_entry_pathname(entry);
        const QString name = raw ? QString::fromUtf8(raw) : QString::fromUtf8(archive_entry_pathname_utf8(entry));
        if (++m_entries > kMaxEntries)
            return QStringLiteral("more than %1 entries").arg(kMaxEntries);
        if (isAbsolute(name))
            return QStringLiteral("%1: an absolute name").arg(name);
        const QStringList parts = nameParts(name);
        if (parts.contains(QStringLiteral("..")))
            return QStringLiteral("%1: a name that climbs out with ..").arg(name);
        const QString longName = tooLong(name, parts);
        if (!longName.isEmpty())
            return QStringLiteral("%1: %2").arg(name.left(80), longName);
        switch (archive_entry_filetype(entry)) {
        case AE_IFCHR:
        case AE_IFBLK:
            return QStringLiteral("%1: a device node").arg(name);
        case AE_IFIFO:
            return QStringLiteral("%1: a FIFO").arg(name);
        case AE_IFSOCK:
            return QStringLiteral("%1: a socket").arg(name);
        default:
            break;
        }
        Placed placed{archive_entry_filetype(entry) == AE_IFDIR ? Kind::Folder : Kind::File, name, QString()};
        if (const char* hardlink = archive_entry_hardlink(entry)) {
            const QString target = QString::fromUtf8(hardlink);
            if (isAbsolute(target) || nameParts(target).contains(QStringLiteral("..")))
                return QStringLiteral("%1: a hard link to %2, outside the package").arg(name, target);
            const auto earlier = m_placed.constFind(m_tree.find(nameParts(target)));
            if (earlier == m_placed.constEnd())
                return QStringLiteral("%1: a hard link to %2, not in the package before it").arg(name, target);
            if (earlier->kind == Kind::Folder)
                return QStringLiteral("%1: a hard link to a folder, %2").arg(name, target);
            // Linked to a symbolic link, the name becomes that link: its target is then read from
            // this entry's folder, not from the folder of the link it copies.
            placed.kind = earlier->kind;
            placed.target = earlier->target;
        } else if (archive_entry_filetype(entry) == AE_IFLNK) {
            const char* target = archive_entry_symlink(entry);
            placed.kind = Kind::Link;
            placed.target = target ? QString::fromUtf8(target) : QString();
            if (placed.target.isEmpty())
                return QStringLiteral("%1: a symbolic link with an empty link target").arg(name);
            const QString longTarget = tooLong(placed.target, nameParts(placed.target));
            if (!longTarget.isEmpty())
                return QStringLiteral("%1: a link target with %2").arg(name, longTarget);
        }
        m_nameBytes += name.toUtf8().size() + placed.target.toUtf8().size();
        if (m_nameBytes > kMaxAllNameBytes)
            return QStringLiteral("names of more than %1 bytes together").arg(kMaxAllNameBytes);

        int node = 0;
        for (const QString& part : parts)
            node = m_tree.add(node, part);
        if (m_tree.size() > kMaxTreeNames)
            return QStringLiteral("names of more than %1 folders and entries").arg(kMaxTreeNames);
        // "." and "./" land on the install folder itself: as a folder it is the folder the package
        // is unpacked into, anything else would take its place.
        if (node == 0 && placed.kind != Kind::Folder)
            return QStringLiteral("%1: in place of the install folder itself").arg(name);
        const auto same = m_placed.constFind(node);
        if (same != m_placed.constEnd()) {
            // A folder named twice only names it again; anything else replaces what came first,
            // or is written through it.
            if (same->kind == Kind::Folder && placed.kind == Kind::Folder)
                return QString();
            return QStringLiteral("%1: a second entry of the same name as %2").arg(name, same->name);
        }
        m_placed.insert(node, placed);
        if (placed.kind == Kind::Link)
            m_links.push_back(node);
        return QString();
    }

    // Once every entry is known: links that lead outside, and entries placed through a link.
    QString verdict() const
    {
        QHash<int, Place> followed;
        for (const int link : m_links) {
            if (!follow(link, 0, followed)) {
                const Placed& placed = m_placed[link];
                return QStringLiteral("%1: a symbolic link to %2, outside the package").arg(placed.name, placed.target);
            }
        }
        // A node lies under a link when its folder is one or lies under one; folders come first.
        std::vector<char> underLink(size_t(m_tree.size()), 0);
        for (int node = 1; node < m_tree.size(); ++node) {
            const int folder = m_tree.parent(node);
            underLink[size_t(node)] = underLink[size_t(folder)] || isLink(folder);
            if (underLink[size_t(node)] && m_placed.contains(node))
                return QStringLiteral("%1: placed through a symbolic link").arg(m_placed[node].name);
        }
        return QString();
    }

private:
    enum class Kind { Folder, File, Link };
    struct Placed {
        Kind kind;
        QString name;    // as the entry gives it
        QString target;  // of a symbolic link
    };
    // Where a link leads: a node of the tree, and how many folders the package does not hold lie
    // below it on the way there.
    struct Place {
        int node = 0;
        int below = 0;
    };

    bool isLink(int node) const
    {
        const auto placed = m_placed.constFind(node);
        return placed != m_placed.constEnd() && placed->kind == Kind::Link;
    }

    // Follows `link` from its own folder through the package's other links into `followed`;
    // false when it leads outside the package or through a chain longer than kMaxLinkChain. A
    // name the package does not hold is taken for a folder: the install folder may have one.
    bool follow(int link, int chain, QHash<int, Place>& followed) const
    {
        if (followed.contains(link))
            return true;
        if (chain > kMaxLinkChain)
            return false;
        const QString target = m_placed[link].target;
        if (isAbsolute(target))
            return false;
        Place at{m_tree.parent(link), 0};
        for (const QString& part : nameParts(target)) {
            if (part == QLatin1String("..")) {
                if (at.below > 0)
                    --at.below;
                else if (at.node == 0)
                    return false;
                else
                    at.node = m_tree.parent(at.node);
            } else if (at.below > 0) {
                ++at.below;
            } else {
                const int next = m_tree.child(at.node, part);
                if (next == NameTree::kNone) {
                    at.below = 1;
                } else if (isLink(next)) {
                    if (!follow(next, chain + 1, followed))
                        return false;
                    at = followed.value(next);
                } else {
                    at.node = next;
                }
            }
        }
        followed.insert(link, at);
        return true;
    }

    NameTree m_tree;
    QHash<int, Placed> m_placed;  // by node
    std::vector<int> m_links;     // nodes of symbolic links, in the package's order
    int m_entries = 0;
    qint64 m_nameBytes = 0;
};

}  // namespace

namespace PendingPackage {

QString targetFor(const QString& fileName)
{
    if (fileName.contains(QLatin1String(".tar.gz")))
        return QString::fromLatin1(kPackageNames[0]);
    if (fileName.contains(QLatin1String(".tar.xz")))
        return QString::fromLatin1(kPackageNames[1]);
    if (fileName.contains(QLatin1String(".rar")))
        return QString::fromLatin1(kPackageNames[2]);
    return QString();
}

QString check(const QString& path, const QString& target, const std::atomic<bool>* cancel)
{
    const bool gz = target.endsWith(QLatin1String(".tar.gz"));
    const bool xz = target.endsWith(QLatin1String(".tar.xz"));
    const bool rar = target.endsWith(QLatin1String(".rar"));
    if (!gz && !xz && !rar)
        return text("未知的安装包");

    // Every compression and format the library knows, so that the verdict on the type is what it
    // finds in the file, whatever the file's name or first bytes say.
    std::unique_ptr<archive, int (*)(archive*)> reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    const QByteArray name = QFile::encodeName(path);
    if (archive_read_open_filename(reader.get(), name.constData(), kReadBlock) != ARCHIVE_OK) {
        const bool unreadable = !QFileInfo(path).isFile() || !QFileInfo(path).isReadable();
        qWarning("package %s refused: %s", name.constData(), archive_error_string(reader.get()));
        return unreadable ? text("无法读取安装包") : text("安装包已损坏");
    }
    std::vector<RarFile> rarFiles;
    if (rar && !walkRar(path, rarFiles)) {
        // A file of another type is told apart below.
        const QByteArray head = [&] { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.read(7) : QByteArray(); }();
        if (head.startsWith("Rar!\x1a\x07")) {
            qWarning("package %s refused: its RAR headers are damaged or cut short", name.constData());
            return text("安装包已损坏");
        }
    }
    const auto refuse = [&](const QString& why) {
        qWarning("package %s refused: %s", name.constData(), qPrintable(why));
        return text("安装包已损坏");
    };
    const auto stop = [&]() {
        qInfo("check of package %s cancelled", name.constData());
        return text("检查已取消");
    };
    const qint64 limit = unpackedLimitBytes();
    const auto tooLarge = [&]() {
        return refuse(QStringLiteral("it unpacks to more than %1 bytes").arg(limit));
    };
    // What unpacking would write: the sizes the entries declare (a sparse or lying entry
    // included), and what comes out of the compression (a tar's stream; a RAR's files).
    qint64 declared = 0;
    qint64 unpacked = 0;
    const auto unpackedNow = [&]() { return rar ? unpacked : qint64(archive_filter_bytes(reader.get(), 0)); };
    EntryWatch watch;
    int entries = 0;
    archive_entry* entry = nullptr;
    for (;;) {
        if (cancelled(cancel))
            return stop();
        const int header = archive_read_next_header(reader.get(), &entry);
        if (header == ARCHIVE_EOF)
            break;
        if (header == ARCHIVE_WARN) {
            // A name the locale cannot show and the like: the entry is read all the same.
            qInfo("package %s: %s", name.constData(), archive_error_string(reader.get()));
        } else if (header != ARCHIVE_OK) {
            return refuse(QString::fromUtf8(archive_error_string(reader.get())));
        }
        if (entries++ == 0) {
            // The type, once the first entry has shown it: one compression over tar, or RAR.
            const int format = archive_format(reader.get()) & ARCHIVE_FORMAT_BASE_MASK;
            const int filters = archive_filter_count(reader.get());
            const int filter = archive_filter_code(reader.get(), 0);
            const bool matches = rar ? (format == ARCHIVE_FORMAT_RAR || format == ARCHIVE_FORMAT_RAR_V5) && filters == 1
                                     : format == ARCHIVE_FORMAT_TAR && filters == 2
                                           && filter == (gz ? ARCHIVE_FILTER_GZIP : ARCHIVE_FILTER_XZ);
            if (!matches) {
                qWarning("package %s refused: %s over %s, not %s", name.constData(),
                         archive_format_name(reader.get()), archive_filter_name(reader.get(), 0),
                         qPrintable(target));
                return text("文件类型不符");
            }
        }
        const QString unsafe = watch.take(entry);
        if (!unsafe.isEmpty())
            return refuse(unsafe);
        if (archive_entry_size_is_set(entry))
            declared += std::max<qint64>(0, archive_entry_size(entry));
        if (declared > limit || unpackedNow() > limit)
            return tooLarge();
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int data = ARCHIVE_EOF;
        uLong crc = crc32(0L, Z_NULL, 0);
        // A RAR 4 symbolic link keeps its target as its data, which the library hands over as the
        // link instead; the CRC-32 covers it.
        const char* linkTarget = archive_entry_symlink(entry);
        if (rar && linkTarget && archive_format(reader.get()) == ARCHIVE_FORMAT_RAR)
            crc = crc32(crc, reinterpret_cast<const Bytef*>(linkTarget), uInt(qstrlen(linkTarget)));
        // A folder has no data, and the library refuses to read a RAR 5 folder's.
        const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        while (!folder && (data = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK) {
            if (rar)
                crc = crc32(crc, static_cast<const Bytef*>(block), uInt(size));
            unpacked += qint64(size);
            if (unpackedNow() > limit)
                return tooLarge();
            if (cancelled(cancel))
                return stop();
            if (checkHook())
                checkHook()();
        }
        if (data != ARCHIVE_EOF)
            return refuse(QString::fromUtf8(archive_error_string(reader.get())));
        if (rar) {
            const size_t index = size_t(entries - 1);
            if (index >= rarFiles.size() || (!rarFiles[index].folder && rarFiles[index].crc != quint32(crc)))
                return refuse(QStringLiteral("%1 does not match its CRC-32").arg(QString::fromUtf8(archive_entry_pathname(entry))));
        }
    }
    if (rar && size_t(entries) != rarFiles.size()) {
        qWarning("package %s refused: %d files read of %zu listed", name.constData(), entries, rarFiles.size());
        return text("安装包已损坏");
    }
    if (entries == 0) {
        qWarning("package %s refused: it holds nothing", name.constData());
        return text("安装包为空");
    }
    const QString unsafe = watch.verdict();
    if (!unsafe.isEmpty())
        return refuse(unsafe);
    if (gz) {
        // After the tar's end only its padding is unpacked: a bomb hidden behind it is cut short.
        switch (gzipStreamWhole(path, unpackedNow() + kTarTrailerBytes, cancel)) {
        case Inflated::Whole:
            break;
        case Inflated::Damaged:
            return refuse(QStringLiteral("its gzip checksum or length does not match"));
        case Inflated::TooLarge:
            return refuse(QStringLiteral("its gzip stream goes on past the tar's end"));
        case Inflated::Cancelled:
            return stop();
        }
    }
    return QString();
}

QString checkAside(const QString& path, const QString& target, const std::atomic<bool>* cancel)
{
    QString verdict;
    runAside([&]() { verdict = check(path, target, cancel); });
    return verdict;
}

qint64 unpackedLimitBytes()
{
    return kUnpackedLimitBytes;
}

void setCheckHook(std::function<void()> hook)
{
    checkHook() = std::move(hook);
}

void setCopyHook(std::function<void()> hook)
{
    copyHook() = std::move(hook);
}

namespace {

// write() in the thread it runs in: the copy, its digests, the check and the adoption, each of
// which takes seconds with a package of a gigabyte.
bool placeHere(const QString& source, const QString& target, QString* why, const std::atomic<bool>* cancel)
{
    const QDir folder(installFolder());
    const QString partial = folder.filePath(QString::fromLatin1(kPartialName));
    QFile::remove(partial);
    const auto refuse = [&](const QString& reason) {
        QFile::remove(partial);
        *why = reason;
        return false;
    };
    switch (copyWhole(source, partial, cancel)) {
    case Copied::Whole:
        break;
    case Copied::Failed:
        qWarning("cannot copy %s into %s whole; no package placed", qPrintable(source), qPrintable(folder.path()));
        return refuse(text("无法写入安装目录"));
    case Copied::Cancelled:
        qInfo("copy of package %s cancelled", qPrintable(source));
        return refuse(text("检查已取消"));
    }
    // What is read through is the copy that will be placed.
    const QString verdict = check(partial, target, cancel);
    if (!verdict.isEmpty())
        return refuse(verdict);
    // A cancel pressed as the check ended still keeps the earlier package.
    if (cancelled(cancel))
        return refuse(text("检查已取消"));
    return adopt(partial, target, why);
}

}  // namespace

bool write(const QString& source, const QString& target, QString* why, const std::atomic<bool>* cancel)
{
    bool placed = false;
    QString reason;
    runAside([&]() { placed = placeHere(source, target, &reason, cancel); });
    if (!placed && why)
        *why = reason;
    return placed;
}

bool adopt(const QString& partial, const QString& target, QString* why)
{
    const QDir folder(installFolder());
    const auto refuse = [&](const char* log) {
        qWarning("%s; no package placed", log);
        QFile::remove(partial);
        if (why)
            *why = text("无法写入安装目录");
        return false;
    };
    step(QStringLiteral("flush"));
    if (!flushPath(partial))
        return refuse("cannot flush the new package to disk");

    // Left over from a cut: the package they were set aside for is in place, or none is.
    for (const char* name : kPackageNames)
        QFile::remove(folder.filePath(QLatin1String(kAsidePrefix) + QLatin1String(name)));

    // The other packages go aside first, so that a cut never leaves two; one of the target's name
    // is replaced by the rename itself.
    QStringList aside;
    for (const char* name : kPackageNames) {
        const QString package = QString::fromLatin1(name);
        if (package == target || !QFileInfo::exists(folder.filePath(package)))
            continue;
        step(QStringLiteral("aside ") + package);
        if (!renameFile(folder.filePath(package), folder.filePath(QLatin1String(kAsidePrefix) + package))) {
            for (const QString& back : qAsConst(aside))
                renameFile(folder.filePath(QLatin1String(kAsidePrefix) + back), folder.filePath(back));
            flushFolder(folder);
            return refuse("cannot set the earlier package aside");
        }
        aside << package;
    }
    if (!aside.isEmpty())
        flushFolder(folder);

    step(QStringLiteral("rename"));
    if (!renameFile(partial, folder.filePath(target))) {
        for (const QString& back : qAsConst(aside))
            renameFile(folder.filePath(QLatin1String(kAsidePrefix) + back), folder.filePath(back));
        flushFolder(folder);
        return refuse("cannot name the new package");
    }
    flushFolder(folder);

    for (const QString& package : qAsConst(aside)) {
        step(QStringLiteral("remove ") + package);
        QFile::remove(folder.filePath(QLatin1String(kAsidePrefix) + package));
    }
    if (!aside.isEmpty())
        flushFolder(folder);
    return true;
}

void setStepHook(std::function<void(const QString& step)> hook)
{
    stepHook() = std::move(hook);
}

}  // namespace PendingPackage
