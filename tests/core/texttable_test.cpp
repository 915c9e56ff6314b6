#include "core/texttable.h"

#include "core/globals.h"

#include <QFont>
#include <QFontInfo>
#include <QRawFont>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr int kIdCount = kTextTableSize / 4;
const char* const kLanguageNames[4] = {"Simplified Chinese", "English", "Traditional Chinese", "Japanese"};

const QString& entry(int id, int language)
{
    return TextTable[id * 4 + language];
}

std::set<QString> placeholders(const QString& text)
{
    static const QRegularExpression kPlaceholder(QStringLiteral("%[1-9]"));
    std::set<QString> found;
    for (auto it = kPlaceholder.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

class TextTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        m_savedLanguage = currentLanguage;
    }
    void TearDown() override { currentLanguage = m_savedLanguage; }

private:
    int m_savedLanguage = 0;
};

struct SampleRow {
    int id;
    const char* texts[4];
};

// Exact texts, byte for byte: line breaks ("\n" versus "\r\n"), padding blanks, quotes,
// placeholders, the fixed rows 74-76, 121-124 and 317, and the mended English texts.
const SampleRow kSamples[] = {
    {0, {"相机参数文件打开错误！", "Camera parameter file error!", "相機參數檔案開啟錯誤！",
         "カメラパラメータファイルを開けません！"}},
    {1, {"区域参数文件错误，请还原\n参数组或联系供应商！",
         "Regional parameter file error, \r\n please restore the Parameter Group \r\n or contact the supplier!",
         "區域參數檔案錯誤，請還原\n參數組或聯絡供應商！",
         "エリアパラメータファイルエラー。パラメータグループを\n復元するか、販売元に連絡してください！"}},
    {16, {" 保    留 ", "Reserved", " 保    留 ", " 予備 "}},
    {29, {"右下点", "R-B Point", "右下點", "右下点"}},
    {30, {"左上点", "T-L Point", "左上點", "左上点"}},
    {31, {"第 %1 点", "Point %1 ", "第 %1 點", "第 %1 点"}},
    {39, {"警告：相机丢失，请检查连线！", "Warning: The camera is unavailable, \r\n please check the connection!",
          "警告：相機丟失，請檢查連線！", "警告：カメラが見つかりません。配線を確認してください！"}},
    {43, {"    %1 号相机", "Camera %1", "    %1 號相機", "    カメラ %1"}},
    {68, {"若要删除第一张模板，请按\"重新取样\"！",
          "If you want to delete the first \r\ntemplate, please click \"Resample\"!",
          "若要刪除第一張模板，請按\"重新取樣\"！",
          "1枚目のテンプレートを削除するには「再サンプリング」を押してください！"}},
    {74, {"矩形", "rectangular ", "矩形", "長方形"}},
    {75, {"圆形", "circle", "圓形", "円形"}},
    {76, {"多边形", "Polygon", "多邊形", "ポリゴン"}},
    {115, {"警告：当前区域警报面积大于%1，此\r\n次操作无效！",
           "Warning: The current regional alert \r\n area is greater than %1, \r\n this operation is invalid!",
           "警告：目前區域警報面積大於%1，此\r\n次操作無效！",
           "警告：現在のエリアのアラーム面積が%1を超えています。\r\nこの操作は無効です！"}},
    {121, {"确定", "Confirm", "確定", "確定"}},
    {122, {"是", "YES", "是", "はい"}},
    {123, {"否", "NO", "否", "いいえ"}},
    {124, {"取消", "Cancel", "取消", "キャンセル"}},
    {212, {"实时↔模板", "Live↔Temp", "即時↔模板", "ライブ↔テンプレート"}},
    {218, {"%1号相机 %2检测 %3共%4张图片 当前为第%5张  %6", "camera %1 detection %2 %3  %5 / %4    %6",
           "%1號相機 %2檢測 %3共%4張圖片 目前為第%5張  %6", "カメラ%1 %2検出 %3全%4枚 現在%5枚目  %6"}},
    {286, {"参数组还原为%1", "Restore the parameter group to %1", "參數組還原為%1", "パラメータグループを%1に復元"}},
    {296, {"请点击\"确定\"退出", "Please click on \"OK\" to exit!", "請點選\"確定\"退出",
           "「確定」を押して終了してください"}},
    {317, {"简体中文", "English", "繁體中文", "日文"}},
    {345, {"设置延时", "delay setting", "設定延時", "遅延設定"}},
    {527, {"确定要恢复默认设置吗", "Are you sure you want to \r\n restore the default settings",
           "確定要恢復預設設定嗎", "初期設定に戻しますか"}},
    {549, {"早班 / 晚班", "", "早班 / 晚班", "日勤 / 夜勤"}},
    {618, {"温度警报，低温警报为%1，高温警报为%2，发射率为%3，温度类型为%4，发射温度%5，温度补偿%6",
           "Temperature alarm, the low temperature alarm is %1, the high temperature alarm is %2, the emissivity "
           "is %3, the temperature type is %4, the reflection temperature is %5, the temperature compensation is %6",
           "溫度警報，低溫警報為%1，高溫警報為%2，發射率為%3，溫度類型為%4，反射溫度%5，溫度補償%6",
           "温度アラーム、低温アラーム%1、高温アラーム%2、放射率%3、温度タイプ%4、反射温度%5、温度補正%6"}},
    {626, {"连续采集定时检测", "Continuous collection and timed detection", "連續採集定時檢測", "連続取込・定時検出"}},
    {627, {"没有温度数据：未连接热成像相机", "No temperature readings: no thermal camera is connected",
           "沒有溫度資料：未連接熱像相機", "温度データなし：サーモカメラが接続されていません"}},
    {628, {"没有温度数据：所选时间内没有温度区域的记录",
           "No temperature readings: no temperature region was recorded in this time",
           "沒有溫度資料：所選時間內沒有溫度區域的記錄", "温度データなし：選択した期間に温度エリアの記録がありません"}},
};

TEST_F(TextTableTest, SampleIdsHoldTheirExactTextsInAllFourLanguages)
{
    for (const SampleRow& row : kSamples) {
        for (int language = 0; language < 4; ++language) {
            SCOPED_TRACE(testing::Message() << "id " << row.id << ", " << kLanguageNames[language]);
            EXPECT_EQ(entry(row.id, language).toUtf8(), QByteArray(row.texts[language]));
        }
    }
}

TEST_F(TextTableTest, CurrentLanguageSelectsTheColumn)
{
    currentLanguage = 1;
    EXPECT_EQ(tableText(39), QStringLiteral("Warning: The camera is unavailable, \r\n please check the connection!"));
    for (int language = 0; language < 4; ++language) {
        currentLanguage = language;
        EXPECT_EQ(&tableText(317), &entry(317, language));
    }
    // The message box labels its confirm button with the English text whatever the language.
    currentLanguage = 0;
    EXPECT_EQ(TextTable[121 * 4 + 1], QStringLiteral("Confirm"));
}

TEST_F(TextTableTest, UnusedIdsAreEmptyInEveryLanguage)
{
    std::vector<int> unused = {153, 321, 322, 578, 606};
    for (int id = 530; id <= 539; ++id)
        unused.push_back(id);
    // Beyond 626 only the empty chart's notes and the texts of unreadable and unwritten template and
    // mask files.
    const std::set<int> added = {627, 628, 680, 681, 682, 683};
    for (int id = 627; id < kIdCount; ++id) {
        if (!added.count(id))
            unused.push_back(id);
    }
    for (int id : added) {
        EXPECT_FALSE(entry(id, 0).isEmpty()) << "id " << id;
    }
    for (int id : unused) {
        for (int language = 0; language < 4; ++language)
            EXPECT_TRUE(entry(id, language).isEmpty()) << "id " << id << ", " << kLanguageNames[language];
    }
    // Every other id up to 628 has its text.
    const std::set<int> unusedSet(unused.begin(), unused.end());
    for (int id = 0; id <= 628; ++id) {
        if (!unusedSet.count(id)) {
            EXPECT_FALSE(entry(id, 0).isEmpty()) << "id " << id;
        }
    }
}

TEST_F(TextTableTest, OnlyTheKnownIdsLackAnEnglishText)
{
    std::set<int> withoutEnglish;
    for (int id = 0; id < kIdCount; ++id) {
        if (!entry(id, 0).isEmpty() && entry(id, 1).isEmpty())
            withoutEnglish.insert(id);
    }
    EXPECT_EQ(withoutEnglish, (std::set<int>{549, 552, 553, 555, 557, 561}));
}

TEST_F(TextTableTest, EveryTextedIdHasAllTranslationsWithTheSamePlaceholders)
{
    for (int id = 0; id < kIdCount; ++id) {
        const QString& zh = entry(id, 0);
        if (zh.isEmpty()) {
            for (int language = 1; language < 4; ++language)
                EXPECT_TRUE(entry(id, language).isEmpty()) << "id " << id << ", " << kLanguageNames[language];
            continue;
        }
        EXPECT_FALSE(entry(id, 2).isEmpty()) << "id " << id << " has no Traditional Chinese text";
        EXPECT_FALSE(entry(id, 3).isEmpty()) << "id " << id << " has no Japanese text";
        const std::set<QString> expected = placeholders(zh);
        for (int language = 1; language < 4; ++language) {
            if (language == 1 && entry(id, 1).isEmpty())
                continue;
            EXPECT_EQ(placeholders(entry(id, language)), expected)
                << "id " << id << ", " << kLanguageNames[language] << ": " << entry(id, language).toStdString();
        }
    }
}

TEST_F(TextTableTest, EnglishTextsCarryNoStrayCharacters)
{
    static const QRegularExpression kStray(QStringLiteral("[\\x{4E00}-\\x{9FFF}\\x{201C}\\x{201D}]|cv::"));
    for (int id = 0; id < kIdCount; ++id) {
        const QString& en = entry(id, 1);
        EXPECT_FALSE(kStray.match(en).hasMatch()) << "id " << id << ": " << en.toStdString();
    }
}

TEST_F(TextTableTest, InterfaceFontHasAGlyphForEveryChineseAndJapaneseCharacter)
{
    const QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("WenQuanYi Micro Hei")) << "fonts-wqy-microhei is not installed";
    const QRawFont raw = QRawFont::fromFont(font);
    ASSERT_TRUE(raw.isValid());
    for (int id = 0; id < kIdCount; ++id) {
        for (int language : {0, 2, 3}) {
            const QVector<uint> characters = entry(id, language).toUcs4();
            for (uint c : characters) {
                if (c == '\r' || c == '\n')
                    continue;
                EXPECT_TRUE(raw.supportsCharacter(c))
                    << "id " << id << ", " << kLanguageNames[language] << ": U+" << std::hex << c;
            }
        }
    }
}

}  // namespace
