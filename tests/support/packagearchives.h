// Update packages for tests, made in memory: tar.gz and tar.xz by libarchive, RAR 4 and RAR 5 by
// hand (no RAR writer is packaged), their files stored uncompressed with their CRC-32s, as rar
// writes them with -m0. Each reads back whole through libarchive.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace PackageArchives {

// CpioGz: a gzip-compressed cpio archive, whose leading bytes are those of a tar.gz.
enum class Kind { TarGz, TarXz, Rar4, Rar5, CpioGz };

using Files = std::vector<std::pair<std::string, std::string>>;  // name, content

std::string make(Kind kind, const Files& files);

// An entry of a hand-made RAR: a file, a folder, or a symbolic or hard link to `target`, stored as
// rar stores them (a RAR 4 link's target as its data, a RAR 5 link in a redirection record).
struct RarEntry {
    enum Type { File, Folder, Symlink, Hardlink };
    Type type = File;
    std::string name;
    std::string content;  // of a file
    std::string target;   // of a link
};
// A RAR 4 or RAR 5 of `entries`. RAR 4 has no hard links: asked for one, it throws.
std::string makeRar(Kind kind, const std::vector<RarEntry>& entries);

// A few files of a program folder, some of them incompressible, about `bytes` in all.
Files programFiles(size_t bytes = 200000);

const char* name(Kind kind);
// The extension of a package of this kind: ".tar.gz", ".tar.xz" or ".rar".
const char* extension(Kind kind);

}  // namespace PackageArchives
