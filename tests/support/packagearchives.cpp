#include "tests/support/packagearchives.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>

namespace {

std::string tarball(bool xz, const PackageArchives::Files& files, bool cpio = false)
{
    archive* writer = archive_write_new();
    if (cpio)
        archive_write_set_format_cpio_newc(writer);
    else
        archive_write_set_format_pax_restricted(writer);
    if (xz)
        archive_write_add_filter_xz(writer);
    else
        archive_write_add_filter_gzip(writer);
    std::vector<char> buffer(64 << 20);
    size_t used = 0;
    if (archive_write_open_memory(writer, buffer.data(), buffer.size(), &used) != ARCHIVE_OK)
        throw std::runtime_error(archive_error_string(writer));
    for (const auto& [name, content] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.c_str());
        archive_entry_set_size(entry, la_int64_t(content.size()));
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0755);
        archive_entry_set_mtime(entry, 1765400000, 0);
        archive_write_header(writer, entry);
        archive_write_data(writer, content.data(), content.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return std::string(buffer.data(), used);
}

uint32_t crc32Of(const std::string& bytes)
{
    return uint32_t(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size())));
}

void put16(std::string& out, uint32_t v)
{
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}

void put32(std::string& out, uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

using PackageArchives::RarEntry;

std::vector<RarEntry> plainFiles(const PackageArchives::Files& files)
{
    std::vector<RarEntry> entries;
    for (const auto& [name, content] : files)
        entries.push_back({RarEntry::File, name, content, ""});
    return entries;
}

// RAR 4: marker, main header, a stored file header and its data per entry, end of archive. Each
// header starts with the low half of the CRC-32 of the rest of it.
std::string rar4(const std::vector<RarEntry>& entries)
{
    const auto block = [](const std::string& body) {
        std::string out;
        put16(out, crc32Of(body) & 0xffff);
        return out + body;
    };
    std::string out("Rar!\x1a\x07\x00", 7);
    std::string main;
    main += char(0x73);
    put16(main, 0);       // flags
    put16(main, 13);      // header size
    put16(main, 0);
    put32(main, 0);
    out += block(main);
    for (const RarEntry& entry : entries) {
        if (entry.type == RarEntry::Hardlink)
            throw std::invalid_argument("RAR 4 has no hard links");
        const std::string& name = entry.name;
        // A symbolic link keeps its target as its data.
        const std::string& content = entry.type == RarEntry::Symlink ? entry.target : entry.content;
        const bool folder = entry.type == RarEntry::Folder;
        std::string head;
        head += char(0x74);
        put16(head, 0x8000 | (folder ? 0x00e0 : 0));  // long block: data follows; a folder
        put16(head, uint32_t(32 + name.size()));     // header size
        put32(head, uint32_t(content.size()));       // packed
        put32(head, uint32_t(content.size()));       // unpacked
        head += char(3);                             // Unix
        put32(head, crc32Of(content));
        put32(head, 0x5b8a0000);                     // DOS time
        head += char(20);                            // version needed
        head += char(0x30);                          // stored
        put16(head, uint32_t(name.size()));
        put32(head, folder ? 040755 : entry.type == RarEntry::Symlink ? 0120777 : 0100755);
        head += name;
        out += block(head) + content;
    }
    std::string end;
    end += char(0x7b);
    put16(end, 0x4000);
    put16(end, 7);
    return out + block(end);
}

void putVint(std::string& out, uint64_t v)
{
    do {
        uint8_t byte = v & 0x7f;
        v >>= 7;
        if (v)
            byte |= 0x80;
        out += char(byte);
    } while (v);
}

// RAR 5: signature, main header, a stored file header and its data per entry, end of archive. Each
// header is its CRC-32, its size and its fields, the CRC covering size and fields. A link has no
// data, and its target in a redirection record.
std::string rar5(const std::vector<RarEntry>& entries)
{
    const auto header = [](const std::string& fields) {
        std::string sized;
        putVint(sized, fields.size());
        sized += fields;
        std::string out;
        put32(out, crc32Of(sized));
        return out + sized;
    };
    std::string out("Rar!\x1a\x07\x01\x00", 8);
    std::string main;
    putVint(main, 1);  // main archive header
    putVint(main, 0);  // header flags
    putVint(main, 0);  // archive flags
    out += header(main);
    for (const RarEntry& entry : entries) {
        const std::string& name = entry.name;
        const bool link = entry.type == RarEntry::Symlink || entry.type == RarEntry::Hardlink;
        const bool folder = entry.type == RarEntry::Folder;
        const std::string content = link || folder ? std::string() : entry.content;
        std::string extra;
        if (link) {
            std::string redirection;
            putVint(redirection, 5);                                          // redirection record
            putVint(redirection, entry.type == RarEntry::Symlink ? 1 : 4);   // Unix symbolic link, hard link
            putVint(redirection, 0);                                          // flags
            putVint(redirection, entry.target.size());
            redirection += entry.target;
            putVint(extra, redirection.size());
            extra += redirection;
        }
        std::string file;
        putVint(file, 2);  // file header
        putVint(file, (extra.empty() ? 0 : 0x0001) | 0x0002);  // an extra area; a data area follows
        if (!extra.empty())
            putVint(file, extra.size());
        putVint(file, content.size());
        putVint(file, folder ? 0x0001 : 0x0004);  // file flags: a folder, or CRC-32 present
        putVint(file, content.size());            // unpacked size
        putVint(file, folder ? 040755 : entry.type == RarEntry::Symlink ? 0120777 : 0100755);  // attributes
        if (!folder)
            put32(file, crc32Of(content));
        putVint(file, 0);  // version 0, stored
        putVint(file, 1);  // Unix
        putVint(file, name.size());
        file += name + extra;
        out += header(file) + content;
    }
    std::string end;
    putVint(end, 5);
    putVint(end, 0);
    putVint(end, 0);
    return out + header(end);
}

}  // namespace

namespace PackageArchives {

std::string make(Kind kind, const Files& files)
{
    switch (kind) {
    case Kind::TarGz:
        return tarball(false, files);
    case Kind::TarXz:
        return tarball(true, files);
    case Kind::Rar4:
    case Kind::Rar5:
        return makeRar(kind, plainFiles(files));
    case Kind::CpioGz:
        return tarball(false, files, true);
    }
    return {};
}

std::string makeRar(Kind kind, const std::vector<RarEntry>& entries)
{
    if (kind == Kind::Rar4)
        return rar4(entries);
    if (kind == Kind::Rar5)
        return rar5(entries);
    throw std::invalid_argument("not a RAR kind");
}

Files programFiles(size_t bytes)
{
    std::mt19937 random(7);
    std::string noise(bytes / 2, '\0');
    for (char& c : noise)
        c = char(random());
    std::string text;
    while (text.size() < bytes / 2)
        text += "mould-monitor build 2026-12-10\n";
    return {{"bin-VAV/mould-monitor", noise}, {"bin-VAV/README", text}, {"bin-VAV/empty.log", ""}};
}

const char* name(Kind kind)
{
    switch (kind) {
    case Kind::TarGz:
        return "tar.gz";
    case Kind::TarXz:
        return "tar.xz";
    case Kind::Rar4:
        return "RAR 4";
    case Kind::Rar5:
        return "RAR 5";
    case Kind::CpioGz:
        return "cpio.gz";
    }
    return "";
}

const char* extension(Kind kind)
{
    switch (kind) {
    case Kind::TarGz:
    case Kind::CpioGz:
        return ".tar.gz";
    case Kind::TarXz:
        return ".tar.xz";
    default:
        return ".rar";
    }
}

}  // namespace PackageArchives
