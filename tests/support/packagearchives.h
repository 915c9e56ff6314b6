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

// A few files of a program folder, some of them incompressible, about `bytes` in all.
Files programFiles(size_t bytes = 200000);

const char* name(Kind kind);
// The extension of a package of this kind: ".tar.gz", ".tar.xz" or ".rar".
const char* extension(Kind kind);

}  // namespace PackageArchives
