// The font family every widget of the kit draws with: the CJK font of fonts-wqy-microhei.
#pragma once

inline constexpr char kKitFontFamily[] = "WenQuanYi Micro Hei";

// The smallest sizes of the kit's touch controls, in pixels: the text of a combo box and of its
// list, and a row of a drop-down list (the lowest item height the screens give setComboStyle).
inline constexpr int kKitSmallestTextPixels = 16;
inline constexpr int kKitSmallestRowPixels = 40;
