// The font family every widget of the kit draws with: the CJK font of fonts-wqy-microhei.
#pragma once

inline constexpr char kKitFontFamily[] = "WenQuanYi Micro Hei";
