// The program's version ("1.0.0"), as the build names it; read by the start-up banner and the
// settings dialog's version label.
#pragma once

const char* programVersion();

// The product's version prefix on the update server: the packages of this major version are named
// "V1..." (or "v1..."), and a server folder named exactly so holds them.
inline constexpr char versionPrefix[] = "V1";
