#include "io/ionames.h"

#include "core/globals.h"

#include <QString>

#include <algorithm>

// The Japanese column repeats the English text.
const char* const ioInputNames[kIOInputNameCount][4] = {
    { "开模到位", "Mol op", "開模到位", "Mol op" },
    { "安全门关", "clo door", "安全門關", "clo door" },
    { "安全门开", "op door", "安全門開", "op door" },
    { "顶针退", "Thim O", "頂針退", "Thim O" },
    { "顶针进", "Thim I", "頂針進", "Thim I" },
    { "开模阀", "Mol val", "開模閥", "Mol val" },
    { "机械手", "Manip", "機械手", "Manip" },
    { "复位键", "Res but", "復位鍵", "Res but" },
    { "滑块退", "Slid back", "滑塊退", "Slid back" },
    { "机手上行", "Mac up", "機手上行", "Mac up" },
    { "中子A进", "Neu A I", "中子A進", "Neu A I" },
    { "中子A退", "Neu A O", "中子A退", "Neu A O" },
    { "中子B进", "Neu B I", "中子B進", "Neu B I" },
    { "中子B退", "Neu B O", "中子B退", "Neu B O" },
    { "中子C进", "Neu C I", "中子C進", "Neu C I" },
    { "中子C退", "Neu C O", "中子C退", "Neu C O" },
};

const char* const ioOutputNames[kIOOutputNameCount][4] = {
    { "允许合模", "Al clam", "允許合模", "Al clam" },
    { "允许顶针", "Al thim", "允許頂針", "Al thim" },
    { "中子A进", "Neu A I", "中子A進", "Neu A I" },
    { "中子A退", "Neu A O", "中子A退", "Neu A O" },
    { "中子B进", "Neu B I", "中子B進", "Neu B I" },
    { "中子B退", "Neu B O", "中子B退", "Neu B O" },
    { "中子C进", "Neu C I", "中子C進", "Neu C I" },
    { "中子C退", "Neu C O", "中子C退", "Neu C O" },
    { "允许绞牙", "Al thread", "允許絞牙", "Al thread" },
    { "允许旋转", "Rot", "允許旋轉", "Rot" },
    { "允许左移", "L shift", "允許左移", "L shift" },
    { "允许右移", "R shift", "允許右移", "R shift" },
    { "允许移模", "Mov mol", "允許移模", "Mov mol" },
    { "机手动作", "Mac mov", "機手動作", "Mac mov" },
};

// The headings skip input 2 and output 3. Traditional Chinese writes the same words with its own
// characters.
const char* const ioInputHeadings[kIOHeadingCount][4] = {
    { "输入 1", "Input 1", "輸入 1", "入力 1" },
    { "输入 3", "Input 3", "輸入 3", "入力 3" },
    { "输入 4", "Input 4", "輸入 4", "入力 4" },
    { "输入 5", "Input 5", "輸入 5", "入力 5" },
    { "输入 6", "Input 6", "輸入 6", "入力 6" },
    { "输入 7", "Input 7", "輸入 7", "入力 7" },
    { "输入 8", "Input 8", "輸入 8", "入力 8" },
    { "输入 9", "Input 9", "輸入 9", "入力 9" },
    { "输入 10", "Input 10", "輸入 10", "入力 10" },
    { "输入 11", "Input 11", "輸入 11", "入力 11" },
};

const char* const ioOutputHeadings[kIOHeadingCount][4] = {
    { "输出 1", "Output 1", "輸出 1", "出力 1" },
    { "输出 2", "Output 2", "輸出 2", "出力 2" },
    { "输出 4", "Output 4", "輸出 4", "出力 4" },
    { "输出 5", "Output 5", "輸出 5", "出力 5" },
    { "输出 6", "Output 6", "輸出 6", "出力 6" },
    { "输出 7", "Output 7", "輸出 7", "出力 7" },
    { "输出 8", "Output 8", "輸出 8", "出力 8" },
    { "输出 9", "Output 9", "輸出 9", "出力 9" },
    { "输出 10", "Output 10", "輸出 10", "出力 10" },
    { "输出 11", "Output 11", "輸出 11", "出力 11" },
};

namespace {

int languageColumn()
{
    return std::clamp(currentLanguage, 0, 3);
}

}  // namespace

int clampInputNameIndex(int index)
{
    return std::clamp(index, 0, kIOInputNameCount - 1);
}

int clampOutputNameIndex(int index)
{
    return std::clamp(index, 0, kIOOutputNameCount - 1);
}

QString ioInputName(int index)
{
    return QString::fromUtf8(ioInputNames[clampInputNameIndex(index)][languageColumn()]);
}

QString ioOutputName(int index)
{
    return QString::fromUtf8(ioOutputNames[clampOutputNameIndex(index)][languageColumn()]);
}

QString ioInputHeading(int column)
{
    return QString::fromUtf8(ioInputHeadings[std::clamp(column, 0, kIOHeadingCount - 1)][languageColumn()]);
}

QString ioOutputHeading(int column)
{
    return QString::fromUtf8(ioOutputHeadings[std::clamp(column, 0, kIOHeadingCount - 1)][languageColumn()]);
}
