// The package check against packages made to reach outside the install folder when unpacked, and
// against bombs: each is refused before anything is placed, with the reason in the log, and the
// earlier package stays as it was.
#include "settings/pendingpackage.h"
#include "tests/core/logcapture.h"
#include "tests/support/packagearchives.h"

#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <zlib.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    unsigned type = AE_IFREG;
    std::string content;
    std::string symlink;   // target of a symbolic link
    std::string hardlink;  // target of a hard link
};

// A pax tar of `entries`, gzip-compressed unless `raw`.
std::string tarOf(const std::vector<Entry>& entries, bool raw = false)
{
    archive* writer = archive_write_new();
    archive_write_set_format_pax_restricted(writer);
    if (!raw)
        archive_write_add_filter_gzip(writer);
    std::vector<char> buffer(4 << 20);
    size_t used = 0;
    if (archive_write_open_memory(writer, buffer.data(), buffer.size(), &used) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(writer));
    for (const Entry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_mtime(entry, 1765400000, 0);
        archive_entry_set_size(entry, la_int64_t(e.content.size()));
        if (!e.symlink.empty())
            archive_entry_set_symlink(entry, e.symlink.c_str());
        if (!e.hardlink.empty()) {
            archive_entry_set_hardlink(entry, e.hardlink.c_str());
            archive_entry_set_size(entry, 0);
        }
        if (e.type == AE_IFCHR || e.type == AE_IFBLK)
            archive_entry_set_rdev(entry, makedev(1, 3));
        if (archive_write_header(writer, entry) != ARCHIVE_OK)
            throw std::runtime_error(archive_error_string(writer));
        archive_write_data(writer, e.content.data(), e.content.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return std::string(buffer.data(), used);
}

// One gzip member holding `bytes`.
std::string gzipMember(const std::string& bytes)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, uLong(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// `count` gzip members of 64 MiB of zeros each: 64 KiB packed, a thousand times that unpacked.
std::string zeroMembers(int count)
{
    static const std::string member = gzipMember(std::string(64 << 20, '\0'));
    std::string out;
    for (int i = 0; i < count; ++i)
        out += member;
    return out;
}

// A whole tar.gz whose one file holds `gib` GiB of zeros, made of gzip members: the tar header,
// the zeros, the tar's end.
std::string zeroBomb(int gib)
{
    // The header alone: an uncompressed tar written without blocking, cut after the header.
    archive* writer = archive_write_new();
    archive_write_set_format_ustar(writer);
    archive_write_set_bytes_per_block(writer, 0);
    std::vector<char> buffer(64 << 10);
    size_t used = 0;
    archive_write_open_memory(writer, buffer.data(), buffer.size(), &used);
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, "zeros.bin");
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, la_int64_t(gib) << 30);
    archive_write_header(writer, entry);
    const std::string header(buffer.data(), used);
    archive_entry_free(entry);
    archive_write_free(writer);
    return gzipMember(header) + zeroMembers(gib * 16) + gzipMember(std::string(1024, '\0'));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PackageCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("MONITOR_INSTALL_DIR");
        install = QDir::current().absoluteFilePath(QStringLiteral("bin-VAV"));
        QDir().mkpath(install);
        qputenv("MONITOR_INSTALL_DIR", install.toUtf8());
    }
    void TearDown() override
    {
        PendingPackage::setCheckHook(nullptr);
        qputenv("MONITOR_INSTALL_DIR", m_saved);
    }
    // Writes `package` as a file and places it through the check. The earlier package, what the
    // log says and whether it was placed.
    bool place(const std::string& package, QString* why, std::string* logged)
    {
        const QByteArray earlier = "the earlier package, byte for byte";
        QFile(install + QStringLiteral("/newupdate.tar.gz")).remove();
        QFile file(QStringLiteral("candidate.tar.gz"));
        file.open(QIODevice::WriteOnly);
        file.write(package.data(), qint64(package.size()));
        file.close();
        QFile old(install + QStringLiteral("/newupdate.tar.gz"));
        old.open(QIODevice::WriteOnly);
        old.write(earlier);
        old.close();
        LogCapture log;
        const bool placed = PendingPackage::write(QStringLiteral("candidate.tar.gz"), QStringLiteral("newupdate.tar.gz"), why);
        for (const auto& m : log.messages())
            *logged += m.text + '\n';
        if (!placed) {
            EXPECT_EQ(QDir(install).entryList(QDir::Files), QStringList{"newupdate.tar.gz"});
            EXPECT_EQ(fileBytes(install + QStringLiteral("/newupdate.tar.gz")), earlier);
        }
        return placed;
    }

    QString install;
    QByteArray m_saved;
};

}  // namespace

TEST_F(PackageCheckTest, EntriesThatWouldReachOutsideTheInstallFolderAreRefused)
{
    const Entry program{"bin/mould-monitor", AE_IFREG, "program", "", ""};
    const struct {
        const char* name;
        std::vector<Entry> entries;
        const char* reason;  // in the log
    } cases[] = {
        {"absolute name", {program, {"/etc/cron.d/job", AE_IFREG, "x", "", ""}}, "an absolute name"},
        {"name climbing out with ..", {program, {"bin/../../outside", AE_IFREG, "x", "", ""}}, "climbs out"},
        {"symbolic link out of the package with a file written through it",
         {program, {"up", AE_IFLNK, "", "../..", ""}, {"up/etc/passwd", AE_IFREG, "x", "", ""}},
         "outside the package"},
        {"file written through a link declared after it",
         {program, {"lib/x.so", AE_IFREG, "x", "", ""}, {"lib", AE_IFLNK, "", "/usr/lib", ""}},
         "outside the package"},
        {"symbolic link to an absolute path", {program, {"etc", AE_IFLNK, "", "/etc", ""}}, "outside the package"},
        {"links that lead out only together",
         {program, {"a/b", AE_IFLNK, "", "..", ""}, {"c", AE_IFLNK, "", "a/b/..", ""}},
         "outside the package"},
        {"hard link to a file outside", {program, {"passwd", AE_IFREG, "", "", "/etc/passwd"}}, "hard link"},
        {"hard link climbing out", {program, {"passwd", AE_IFREG, "", "", "../etc/passwd"}}, "hard link"},
        {"character device", {program, {"dev/mem", AE_IFCHR, "", "", ""}}, "a device node"},
        {"block device", {program, {"dev/sda", AE_IFBLK, "", "", ""}}, "a device node"},
        {"FIFO", {program, {"run/pipe", AE_IFIFO, "", "", ""}}, "a FIFO"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString why;
        std::string logged;
        EXPECT_FALSE(place(tarOf(c.entries), &why, &logged));
        EXPECT_EQ(why, QStringLiteral("安装包已损坏"));
        EXPECT_NE(logged.find("refused"), std::string::npos) << logged;
        EXPECT_NE(logged.find(c.reason), std::string::npos) << logged;
    }

    // Links that stay inside, hard links to files of the package: placed.
    const std::string sound = tarOf({program,
                                     {"lib/libx.so.1", AE_IFREG, "library", "", ""},
                                     {"lib/libx.so", AE_IFLNK, "", "libx.so.1", ""},
                                     {"bin/libx.so", AE_IFLNK, "", "../lib/./libx.so", ""},
                                     {"bin/monitor", AE_IFREG, "", "", "bin/mould-monitor"}});
    QString why;
    std::string logged;
    EXPECT_TRUE(place(sound, &why, &logged)) << why.toStdString() << logged;
    EXPECT_EQ(fileBytes(install + QStringLiteral("/newupdate.tar.gz")), QByteArray::fromStdString(sound));
}

TEST_F(PackageCheckTest, BombsAreRefusedAsSoonAsTheyShow)
{
    // A file declared larger than the bound: refused at its header, before any of it is inflated.
    ASSERT_LT(PendingPackage::unpackedLimitBytes(), qint64(3) << 30);
    std::atomic<int> blocksRead{0};
    PendingPackage::setCheckHook([&] { ++blocksRead; });
    QString why;
    std::string logged;
    EXPECT_FALSE(place(zeroBomb(3), &why, &logged));
    EXPECT_EQ(why, QStringLiteral("安装包已损坏"));
    EXPECT_NE(logged.find("unpacks to more than"), std::string::npos) << logged;
    EXPECT_EQ(blocksRead, 0);

    // A sound tar with 256 MiB of zeros hidden behind its end in the gzip stream: refused once
    // the stream passes the tar's end by more than its padding.
    const std::string sound = tarOf({{"bin/mould-monitor", AE_IFREG, "program", "", ""}});
    logged.clear();
    EXPECT_FALSE(place(sound + zeroMembers(4), &why, &logged));
    EXPECT_EQ(why, QStringLiteral("安装包已损坏"));
    EXPECT_NE(logged.find("goes on past the tar's end"), std::string::npos) << logged;
}

TEST_F(PackageCheckTest, ACancelStopsTheCheck)
{
    const std::string package = PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles());
    QFile file(QStringLiteral("candidate.tar.gz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(package.data(), qint64(package.size()));
    file.close();
    ASSERT_EQ(PendingPackage::check(QStringLiteral("candidate.tar.gz"), QStringLiteral("newupdate.tar.gz")), QString());
    std::atomic<bool> cancel{false};
    int blocks = 0;
    PendingPackage::setCheckHook([&] {
        ++blocks;
        cancel = true;
    });
    EXPECT_EQ(PendingPackage::checkAside(QStringLiteral("candidate.tar.gz"), QStringLiteral("newupdate.tar.gz"), &cancel),
              QStringLiteral("检查已取消"));
    EXPECT_EQ(blocks, 1);
}
