// The two signal colours of the kit: blue for confirming, red for cancelling controls.
#pragma once

inline constexpr char kKitBlue[] = "#2687F2";
inline constexpr char kKitRed[] = "#F24C3F";
