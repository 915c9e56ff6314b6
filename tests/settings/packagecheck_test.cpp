// The package check against packages made to reach outside the install folder when unpacked, and
// against bombs: each is refused before anything is placed, with the reason in the log, and the
// earlier package stays as it was.
#include "settings/pendingpackage.h"
#include "tests/core/logcapture.h"
#include "tests/support/forkalone.h"
#include "tests/support/packagearchives.h"

#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

// A pax tar of `entries`, gzip- or xz-compressed.
std::string tarOf(const std::vector<Entry>& entries, bool xz = false)
{
    archive* writer = archive_write_new();
    archive_write_set_format_pax_restricted(writer);
    if (xz)
        archive_write_add_filter_xz(writer);
    else
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

// `entries` as a hand-made RAR of `kind`; empty when RAR cannot hold one of them (a device, FIFO
// or socket; a hard link in RAR 4).
std::string rarOf(const std::vector<Entry>& entries, PackageArchives::Kind kind)
{
    using PackageArchives::RarEntry;
    std::vector<RarEntry> rar;
    for (const Entry& e : entries) {
        if (!e.hardlink.empty())
            rar.push_back({RarEntry::Hardlink, e.name, "", e.hardlink});
        else if (e.type == AE_IFLNK)
            rar.push_back({RarEntry::Symlink, e.name, "", e.symlink});
        else if (e.type == AE_IFDIR)
            rar.push_back({RarEntry::Folder, e.name, "", ""});
        else if (e.type == AE_IFREG)
            rar.push_back({RarEntry::File, e.name, e.content, ""});
        else
            return {};
        if (rar.back().type == RarEntry::Hardlink && kind == PackageArchives::Kind::Rar4)
            return {};
    }
    return PackageArchives::makeRar(kind, rar);
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

    // What became of a package placed by a forked child, as the program places it (the check on
    // its worker thread), so that a crash fails the test instead of ending the runner.
    struct Outcome {
        int signal = 0;  // the signal that ended the child, 0 when it ended by itself
        bool placed = false;
        QString why;
        std::string logged;
    };
    Outcome placeInChild(const std::string& package, const QString& target)
    {
        const QByteArray earlier = "the earlier package, byte for byte";
        const QString candidate = QStringLiteral("candidate") + target.mid(target.indexOf(QLatin1Char('.')));
        QFile file(candidate);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(package.data(), qint64(package.size()));
        file.close();
        for (const QString& left : QDir(install).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(install + QLatin1Char('/') + left);
        QFile old(install + QStringLiteral("/newupdate.tar.gz"));
        EXPECT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(earlier);
        old.close();
        QFile::remove(QStringLiteral("child-report"));
        const pid_t pid = forkAlone();
        if (pid == 0) {
            int placed = 2;
            {
                LogCapture log;
                QString why;
                placed = PendingPackage::write(candidate, target, &why) ? 1 : 0;
                QFile report(QStringLiteral("child-report"));
                if (report.open(QIODevice::WriteOnly)) {
                    report.write(why.toUtf8() + '\n');
                    for (const auto& m : log.messages())
                        report.write(QByteArray::fromStdString(m.text) + '\n');
                }
            }
            std::fflush(nullptr);
            ::_exit(placed);
        }
        Outcome outcome;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0)
            if (errno != EINTR)
                return outcome;
        if (WIFSIGNALED(status)) {
            outcome.signal = WTERMSIG(status);
            ADD_FAILURE() << "the check ended the process with signal " << outcome.signal << " ("
                          << ::strsignal(outcome.signal) << ")";
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "the child ended with status " << status;
            outcome.placed = WIFEXITED(status) && WEXITSTATUS(status) == 1;
        }
        const QList<QByteArray> report = fileBytes(QStringLiteral("child-report")).split('\n');
        outcome.why = QString::fromUtf8(report.value(0));
        outcome.logged = report.mid(1).join('\n').toStdString();
        if (!outcome.placed) {
            // Nothing left behind, the partial copy included, and the earlier package untouched.
            EXPECT_EQ(QDir(install).entryList(QDir::Files | QDir::Hidden), QStringList{"newupdate.tar.gz"});
            EXPECT_EQ(fileBytes(install + QStringLiteral("/newupdate.tar.gz")), earlier);
        }
        return outcome;
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

TEST_F(PackageCheckTest, HostilePackagesAreRefusedWithoutACrash)
{
    const Entry program{"bin-VAV/run.sh", AE_IFREG, "#!/bin/sh\n", "", ""};
    const Entry folder{"bin-VAV/", AE_IFDIR, "", "", ""};
    const Entry deepLink{"d1/d2/d3/l", AE_IFLNK, "", "../../../x", ""};
    const std::string longPart(256, 'n');
    std::string longName;
    while (longName.size() <= 4096)
        longName += "deep/";
    longName += "run.sh";
    // Names each as long as a path may be, more of them together than the check keeps.
    std::vector<Entry> longNames{program};
    const std::string deepFolder = [&] {
        std::string folders;
        while (folders.size() < 3800)
            folders += std::string(199, 'f') + '/';
        return folders;
    }();
    while (longNames.size() < 1200)
        longNames.push_back({deepFolder + std::to_string(longNames.size()), AE_IFREG, "", "", ""});
    // Deep names of one letter per folder, each in a folder of its own: few bytes, many folders.
    std::vector<Entry> deepNames{program};
    for (int i = 0; deepNames.size() < 102; ++i) {
        std::string deep = std::to_string(i) + '/';
        while (deep.size() < 3990)
            deep += "a/";
        deepNames.push_back({deep + "run.sh", AE_IFREG, "", "", ""});
    }
    const struct {
        const char* name;
        std::vector<Entry> entries;
        const char* reason;  // in the log; one of several, split by |
    } cases[] = {
        {"symbolic link named ./ in place of the install folder",
         {folder, program, {"./", AE_IFLNK, "", "bin-VAV", ""}}, "the install folder itself"},
        {"symbolic link named . in place of the install folder",
         {folder, program, {".", AE_IFLNK, "", "bin-VAV", ""}}, "the install folder itself"},
        {"file named . in place of the install folder", {folder, program, {".", AE_IFREG, "x", "", ""}},
         "the install folder itself"},
        {"hard link to a link that stays inside only from its own folder, written through",
         {{"d1/", AE_IFDIR, "", "", ""}, deepLink, {"l2", AE_IFREG, "", "", "d1/d2/d3/l"},
          {"l2/evil.sh", AE_IFREG, "x", "", ""}},
         "outside the package"},
        {"hard link to a link that stays inside only from its own folder",
         {deepLink, {"l2", AE_IFREG, "", "", "d1/d2/d3/l"}}, "outside the package"},
        {"hard link to a hard link to such a link",
         {deepLink, {"d1/d2/d3/l2", AE_IFREG, "", "", "d1/d2/d3/l"}, {"l3", AE_IFREG, "", "", "./d1/d2/d3/l2"}},
         "outside the package"},
        {"file placed through a hard link to a link that stays inside",
         {program, {"bin", AE_IFLNK, "", "bin-VAV", ""}, {"bin2", AE_IFREG, "", "", "bin"},
          {"bin2/run.sh", AE_IFREG, "x", "", ""}},
         "placed through a symbolic link"},
        {"link reached through another link", {program, {"a", AE_IFLNK, "", "b/c", ""}, {"b", AE_IFLNK, "", "..", ""}},
         "outside the package"},
        {"links that lead to each other", {program, {"a", AE_IFLNK, "", "b", ""}, {"b", AE_IFLNK, "", "a/x", ""}},
         "outside the package"},
        {"hard link to a name declared after it",
         {{"bin-VAV/run2.sh", AE_IFREG, "", "", "bin-VAV/run.sh"}, program}, "not in the package before it"},
        {"hard link to a name the package does not hold", {program, {"passwd", AE_IFREG, "", "", "etc/passwd"}},
         "not in the package before it"},
        {"hard link to a folder", {folder, program, {"bin", AE_IFREG, "", "", "bin-VAV"}}, "a hard link to a folder"},
        {"hard link climbing out", {program, {"passwd", AE_IFREG, "", "", "bin-VAV/../../etc/passwd"}}, "hard link"},
        {"hard link with an absolute target", {program, {"passwd", AE_IFREG, "", "", "/etc/passwd"}}, "hard link"},
        {"name climbing out with ..", {program, {"bin-VAV/../../outside", AE_IFREG, "x", "", ""}}, "climbs out"},
        {"absolute name", {program, {"/etc/cron.d/job", AE_IFREG, "x", "", ""}}, "an absolute name"},
        {"character device", {program, {"dev/mem", AE_IFCHR, "", "", ""}}, "a device node"},
        {"FIFO", {program, {"run/pipe", AE_IFIFO, "", "", ""}}, "a FIFO"},
        {"file repeated", {program, {"bin-VAV/./run.sh", AE_IFREG, "y", "", ""}}, "a second entry"},
        // The RAR 4 reader gives the second its name only as a folder's continuation: none.
        {"link and then a file of the same name",
         {{"lib", AE_IFLNK, "", "bin-VAV", ""}, {"lib", AE_IFREG, "x", "", ""}, program},
         "a second entry|in place of the install folder"},
        {"symbolic link without a target", {program, {"empty", AE_IFLNK, "", "", ""}}, "link target"},
        {"name part longer than a file name may be", {program, {"bin-VAV/" + longPart, AE_IFREG, "", "", ""}},
         "too long"},
        {"name longer than a path may be", {program, {longName, AE_IFREG, "", "", ""}}, "too long"},
        {"link target longer than a path may be", {program, {"far", AE_IFLNK, "", longName, ""}}, "too long"},
        // The RAR 5 reader takes no name longer than 2048 bytes itself.
        {"long names, too many of them together", longNames, "bytes together|Filename is too long"},
        {"deep names making too many folders", deepNames, "folders and entries|Filename is too long"},
    };
    using PackageArchives::Kind;
    for (const Kind kind : {Kind::TarGz, Kind::TarXz, Kind::Rar4, Kind::Rar5}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " (" + PackageArchives::name(kind) + ")");
            const bool rar = kind == Kind::Rar4 || kind == Kind::Rar5;
            const std::string package = rar ? rarOf(c.entries, kind) : tarOf(c.entries, kind == Kind::TarXz);
            if (package.empty())
                continue;
            const Outcome outcome =
                placeInChild(package, QStringLiteral("newupdate") + QLatin1String(PackageArchives::extension(kind)));
            if (outcome.signal)
                continue;
            EXPECT_FALSE(outcome.placed);
            EXPECT_EQ(outcome.why, QStringLiteral("安装包已损坏"));
            EXPECT_NE(outcome.logged.find("refused"), std::string::npos) << outcome.logged;
            const QStringList reasons = QString::fromLatin1(c.reason).split(QLatin1Char('|'));
            EXPECT_TRUE(std::any_of(reasons.begin(), reasons.end(), [&](const QString& reason) {
                return outcome.logged.find(reason.toStdString()) != std::string::npos;
            })) << outcome.logged;
        }
    }

    // More entries than an install folder ever holds: refused before the check keeps them all.
    std::vector<Entry> many{{"bin-VAV/", AE_IFDIR, "", "", ""}};
    for (int i = 0; i < 100000; ++i)
        many.push_back({"bin-VAV/" + std::to_string(i), AE_IFREG, "", "", ""});
    const Outcome crowded = placeInChild(tarOf(many), QStringLiteral("newupdate.tar.gz"));
    EXPECT_FALSE(crowded.placed);
    EXPECT_EQ(crowded.why, QStringLiteral("安装包已损坏"));
    EXPECT_NE(crowded.logged.find("more than 100000 entries"), std::string::npos) << crowded.logged;

    // A folder named ./, a link inside that resolves from its own folder, and a hard link to a
    // file: the way packages are usually made, placed.
    const std::vector<Entry> usual = {{"./", AE_IFDIR, "", "", ""},
                                      folder,
                                      program,
                                      {"d1/d2/d3/l", AE_IFLNK, "", "../../../bin-VAV/run.sh", ""},
                                      {"d1/run.sh", AE_IFREG, "", "", "bin-VAV/run.sh"},
                                      {"./bin-VAV/", AE_IFDIR, "", "", ""}};
    std::vector<Entry> withoutHardLink = usual;
    withoutHardLink.erase(withoutHardLink.begin() + 4);
    for (const Kind kind : {Kind::TarGz, Kind::TarXz, Kind::Rar4, Kind::Rar5}) {
        SCOPED_TRACE(PackageArchives::name(kind));
        const bool rar = kind == Kind::Rar4 || kind == Kind::Rar5;
        const Outcome sound = placeInChild(rar ? rarOf(kind == Kind::Rar4 ? withoutHardLink : usual, kind)
                                               : tarOf(usual, kind == Kind::TarXz),
                                           QStringLiteral("newupdate") + QLatin1String(PackageArchives::extension(kind)));
        EXPECT_TRUE(sound.placed) << sound.why.toStdString() << sound.logged;
    }
}
