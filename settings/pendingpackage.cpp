#include "settings/pendingpackage.h"

#include "core/atomicfile.h"
#include "core/platformutils.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>

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

std::function<void(const QString&)>& stepHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
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

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file))
        return {};
    return hash.result();
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
bool gzipStreamWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    z_stream stream{};
    // 16 + 15: a gzip wrapper, whose trailer zlib checks.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return false;
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
    QByteArray in;
    QByteArray out(int(kReadBlock), Qt::Uninitialized);
    bool inMember = true;
    for (;;) {
        if (stream.avail_in == 0) {
            in = file.read(qint64(kReadBlock));
            if (in.isEmpty())
                return !inMember && file.error() == QFileDevice::NoError;
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
                return false;
            inMember = true;
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            inMember = false;
        else if (result != Z_OK)
            return false;
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

QString check(const QString& path, const QString& target)
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
    int entries = 0;
    QString failure;
    archive_entry* entry = nullptr;
    for (;;) {
        const int header = archive_read_next_header(reader.get(), &entry);
        if (header == ARCHIVE_EOF)
            break;
        if (header == ARCHIVE_WARN) {
            // A name the locale cannot show and the like: the entry is read all the same.
            qInfo("package %s: %s", name.constData(), archive_error_string(reader.get()));
        } else if (header != ARCHIVE_OK) {
            failure = text("安装包已损坏");
            break;
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
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int data = ARCHIVE_OK;
        uLong crc = crc32(0L, Z_NULL, 0);
        while ((data = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK)
            if (rar)
                crc = crc32(crc, static_cast<const Bytef*>(block), uInt(size));
        if (data != ARCHIVE_EOF) {
            failure = text("安装包已损坏");
            break;
        }
        if (rar) {
            const size_t index = size_t(entries - 1);
            if (index >= rarFiles.size() || (!rarFiles[index].folder && rarFiles[index].crc != quint32(crc))) {
                qWarning("package %s refused: %s does not match its CRC-32", name.constData(), archive_entry_pathname(entry));
                return text("安装包已损坏");
            }
        }
    }
    if (!failure.isEmpty()) {
        qWarning("package %s refused: %s", name.constData(), archive_error_string(reader.get()));
        return failure;
    }
    if (rar && size_t(entries) != rarFiles.size()) {
        qWarning("package %s refused: %d files read of %zu listed", name.constData(), entries, rarFiles.size());
        return text("安装包已损坏");
    }
    if (entries == 0) {
        qWarning("package %s refused: it holds nothing", name.constData());
        return text("安装包为空");
    }
    if (gz && !gzipStreamWhole(path)) {
        qWarning("package %s refused: its gzip checksum or length does not match", name.constData());
        return text("安装包已损坏");
    }
    return QString();
}

QString checkAside(const QString& path, const QString& target)
{
    QString verdict;
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> worker(QThread::create([&]() {
        verdict = check(path, target);
        done = true;
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!done)
        loop.exec();
    worker->wait();
    return verdict;
}

bool write(const QString& source, const QString& target, QString* why)
{
    const QDir folder(installFolder());
    const QString partial = folder.filePath(QString::fromLatin1(kPartialName));
    QFile::remove(partial);
    const auto refuse = [&](const QString& reason) {
        QFile::remove(partial);
        if (why)
            *why = reason;
        return false;
    };
    if (!QFile::copy(source, partial)) {
        qWarning("cannot copy %s into %s", qPrintable(source), qPrintable(folder.path()));
        return refuse(text("无法写入安装目录"));
    }
    const QByteArray expected = digestOf(source);
    if (expected.isEmpty() || digestOf(partial) != expected
        || QFileInfo(partial).size() != QFileInfo(source).size()) {
        qWarning("the copy of %s differs from it; no package placed", qPrintable(source));
        return refuse(text("无法写入安装目录"));
    }
    // What is read through is the copy that will be placed.
    const QString verdict = checkAside(partial, target);
    if (!verdict.isEmpty())
        return refuse(verdict);
    return adopt(partial, target, why);
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
