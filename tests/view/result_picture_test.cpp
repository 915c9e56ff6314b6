// The camera view's result pictures, alarm-clearing notes, alarm blink and ignore masks, on
// views of real sizes with real regions.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "records/saveimagequeue.h"
#include "view/resultpicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

namespace {

bool isRed(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}

bool isGreen(QRgb c)
{
    return qGreen(c) > 180 && qRed(c) < 80 && qBlue(c) < 80;
}

// Red pixels inside `area` of the picture.
int redPixels(const QImage& picture, const QRect& area)
{
    int n = 0;
    const QRect r = area.intersected(picture.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += isRed(picture.pixel(x, y)) ? 1 : 0;
    return n;
}

class ResultPictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        clearResultPictures();
        fillTextTable();
        currentLanguage = 0;
        m_saved = activeParams;
        activeParams = &m_params;
        m_params.alarmArea = 100;
    }
    void TearDown() override
    {
        clearResultPictures();
        activeParams = m_saved;
    }

    // A grey view with a mid-grey frame.
    std::unique_ptr<CammerWidget> view(int width, int height, bool colour = false)
    {
        auto v = std::make_unique<CammerWidget>(0, width, height, nullptr, colour);
        std::fill(v->frameBuffer.begin(), v->frameBuffer.end(), 128);
        while (v->roiSet->rois.size() < CammerSingleton::kDetects)
            v->roiSet->rois.append(QList<ROIInterface*>());
        return v;
    }

    // Adds a rectangle region to detect d with its result.
    static void addRegion(CammerWidget& v, int d, QRect rect, bool ok, int value = 0)
    {
        const int k = v.roiSet->roiCount[d]++;
        const int slot = d * CammerSingleton::kRoisPerDetect + k;
        auto* shape = new ClustomRect;
        shape->setRect(rect.x(), rect.y(), rect.width(), rect.height());
        v.roiSet->rois[d].append(shape);
        v.roiSet->area[slot] = 100;
        v.roiOk[slot] = ok ? 1 : 0;
        v.roiValue[slot] = value;
    }
    static void addNgBox(CammerWidget& v, int slot, QRect box)
    {
        int& n = v.ngRects[slot][0][0];
        int* entry = v.ngRects[slot][++n];
        entry[0] = box.left();
        entry[1] = box.top();
        entry[2] = box.right() + 1;
        entry[3] = box.bottom() + 1;
    }

    SystemParam m_params;
    SystemParam* m_saved = nullptr;
};

TEST_F(ResultPictureTest, NgPictureOutlinesRegionsAndBoxesAndNotesTheFirstNgRegion)
{
    auto v = view(1920, 1080);
    const int d = 1;
    const QRect regions[] = {{100, 200, 200, 150}, {400, 200, 200, 150}, {700, 200, 200, 150},
                             {1000, 200, 200, 150}, {1300, 200, 200, 150}};
    for (int k = 0; k < 5; ++k)
        addRegion(*v, d, regions[k], k != 2 && k != 4, 40 + k);
    addNgBox(*v, d * 50 + 2, QRect(750, 250, 60, 40));
    addNgBox(*v, d * 50 + 4, QRect(1350, 260, 50, 30));
    const QImage picture = v->renderResultPicture(d, false, false);
    ASSERT_EQ(picture.size(), QSize(1920, 1080));
    EXPECT_EQ(firstNgRegion[0][d], 3);
    EXPECT_TRUE(isGreen(picture.pixel(100, 275))) << "region 1 passed";
    EXPECT_TRUE(isRed(picture.pixel(700, 275))) << "region 3 failed";
    EXPECT_TRUE(isRed(picture.pixel(1300, 275))) << "region 5 failed";
    EXPECT_TRUE(isRed(picture.pixel(750, 270))) << "NG box of region 3";
    EXPECT_TRUE(isRed(picture.pixel(1350, 275))) << "NG box of region 5";
    EXPECT_EQ(qGray(picture.pixel(500, 600)), 128) << "the frame itself";
    // A later NG rendering keeps the number until the NG picture is recorded.
    v->roiOk[d * 50 + 0] = 0;
    v->renderResultPicture(d, false, false);
    EXPECT_EQ(firstNgRegion[0][d], 3);
}

TEST_F(ResultPictureTest, VerdictAndNoteLinesFollowThePictureWidth)
{
    struct Case {
        int width;
        QRect verdict;  // where the red "NG" must be
        QRect empty;    // where no red may be
    };
    const Case cases[] = {{640, QRect(0, 0, 80, 30), QRect(0, 40, 80, 80)},
                          {641, QRect(0, 45, 120, 40), QRect(0, 0, 120, 35)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        auto v = view(c.width, 480);
        const QImage picture = v->renderResultPicture(0, false, false);
        EXPECT_GT(redPixels(picture, c.verdict), 20);
        EXPECT_EQ(redPixels(picture, c.empty), 0);
    }
    // The safety-door note goes on the second line.
    auto v = view(641, 480);
    EXPECT_EQ(redPixels(v->renderResultPicture(0, false, false), QRect(0, 85, 640, 30)), 0);
    EXPECT_GT(redPixels(v->renderResultPicture(0, false, true), QRect(0, 85, 640, 30)), 50);
}

TEST_F(ResultPictureTest, OkPictureReadsOkInGreen)
{
    auto v = view(800, 600);
    addRegion(*v, 0, QRect(100, 100, 100, 100), true, 7);
    const QImage picture = v->renderResultPicture(0, true, false);
    EXPECT_EQ(redPixels(picture, picture.rect()), 0);
    EXPECT_EQ(firstNgRegion[0][0], 0);
}

TEST_F(ResultPictureTest, RegionLabels)
{
    auto v = view(1920, 1080);
    addRegion(*v, 1, QRect(100, 100, 80, 80), true, 17);
    addRegion(*v, 1, QRect(1920 - 100, 100, 60, 60), false, 250);
    EXPECT_EQ(v->resultLabel(1, 0), QStringLiteral("1:100/17")) << "alarm area of the defect tool";
    EXPECT_EQ(v->resultLabel(1, 1), QStringLiteral("2:250")) << "100 px from the right edge";
    m_params.showAlgorithmDetails = 1;
    v->roiSet->area[50] = 321;
    EXPECT_EQ(v->resultLabel(1, 0), QStringLiteral("1:321/17"));
    for (int k = 2; k < 11; ++k)
        addRegion(*v, 1, QRect(100 + 20 * k, 500, 10, 10), true, k);
    EXPECT_EQ(v->resultLabel(1, 0), QStringLiteral("1:17")) << "more than 10 regions";
}

TEST(RoiLimitsText, ByToolType)
{
    struct Case {
        int tool, p2, p3;
        bool details;
        const char* text;
    };
    const Case cases[] = {
        {0, 5, 300, false, "100"},       {0, 5, 300, true, "300"},
        {6, 80, 300, false, "80"},       {1, 20, 90, false, "20--90"},
        {9, 0x1FFFF, 0x2FFFE, false, "-1---2"}, {4, 5, 77, false, "77"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(roiLimitsText(c.tool, c.p2, c.p3, c.details, 100), QString::fromLatin1(c.text)) << c.tool;
}

TEST_F(ResultPictureTest, ClearingNotesAdvanceTheRecordState)
{
    auto v = view(640, 480);
    storeResultPicture(0, 1, 0, v->renderResultPicture(1, false, false));
    struct Case {
        int state;
        int next;
        bool drawn;
    };
    const Case cases[] = {{7, 8, true}, {8, 10, true}, {4, 9, true}, {5, 9, true}, {6, 9, true}, {3, 3, false},
                          {10, 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        storeResultPicture(0, 1, 0, v->renderResultPicture(1, true, false));
        EXPECT_EQ(v->writeClearingNote(1, 0, c.state), c.next);
        const QImage noted = copyResultPicture(0, 1, 0);
        EXPECT_EQ(redPixels(noted, QRect(55, 0, 585, 30)) > 20, c.drawn);
        EXPECT_EQ(redPixels(noted, QRect(0, 0, 50, 30)), 0) << "the verdict stays OK";
    }
    // Without a rendered picture the state still moves on.
    clearResultPictures();
    EXPECT_EQ(v->writeClearingNote(1, 1, 7), 8);
}

TEST_F(ResultPictureTest, AlarmBlinkFlipsUntilTheNextOkResult)
{
    auto v = view(64, 48);
    v->detectOk = false;
    v->alarmTimer.start(1000);
    v->TimerShowAlarm();
    EXPECT_EQ(v->alarmBlink, 1);
    v->TimerShowAlarm();
    EXPECT_EQ(v->alarmBlink, 0);
    v->TimerShowAlarm();
    v->detectOk = true;
    v->TimerShowAlarm();
    EXPECT_EQ(v->alarmBlink, 0);
    EXPECT_FALSE(v->alarmTimer.isActive());
}

// A 4-bit BMP of width x height with a 16-grey palette and the given pixel indices, rows padded
// to 4 bytes as the format wants (Qt writes no 4-bit BMPs).
QByteArray fourBitBmp(int width, int height, const std::vector<int>& indices)
{
    const int rowBytes = ((width + 1) / 2 + 3) / 4 * 4;
    const int offset = 14 + 40 + 16 * 4;
    QByteArray bmp(offset + rowBytes * height, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian<quint32>(v, bmp.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian<quint16>(v, bmp.data() + at); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, quint32(bmp.size()));
    put32(10, quint32(offset));
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, 4);
    put32(46, 16);
    for (int i = 0; i < 16; ++i) {
        const char g = char(i * 17);
        bmp[54 + 4 * i] = g;
        bmp[55 + 4 * i] = g;
        bmp[56 + 4 * i] = g;
    }
    for (int y = 0; y < height; ++y) {
        char* row = bmp.data() + offset + (height - 1 - y) * rowBytes;  // bottom-up
        for (int x = 0; x < width; ++x) {
            const int v = indices[size_t(y * width + x)] & 15;
            row[x / 2] = char(row[x / 2] | (x % 2 == 0 ? v << 4 : v));
        }
    }
    return bmp;
}

TEST_F(ResultPictureTest, IgnoreMasksOfAnyDepthAndWidth)
{
    const int w = 13;
    const int h = 7;
    auto v = view(w, h);
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("cammer11")));
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("cammer12")));
    // Detect 0: a 1-bit mask, white at (2, 3) and (12, 6).
    QImage mono(w, h, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(0);
    mono.setPixel(2, 3, 1);
    mono.setPixel(12, 6, 1);
    ASSERT_TRUE(mono.save(QStringLiteral("cammer11/ignorepoint.bmp"), "BMP"));
    // Detect 1: a 4-bit mask, grey 15 at (0, 0) and grey 1 at (5, 2).
    std::vector<int> indices(size_t(w * h), 0);
    indices[0] = 15;
    indices[size_t(2 * w + 5)] = 1;
    QFile four(QStringLiteral("cammer12/ignorepoint.bmp"));
    ASSERT_TRUE(four.open(QIODevice::WriteOnly));
    four.write(fourBitBmp(w, h, indices));
    four.close();

    v->loadIgnoreMasks();
    ASSERT_EQ(v->ignoreMask[0].size(), size_t(w * h));
    for (int i = 0; i < w * h; ++i) {
        EXPECT_EQ(v->ignoreMask[0][size_t(i)] != 0, i == 3 * w + 2 || i == 6 * w + 12) << "detect 0 pixel " << i;
        EXPECT_EQ(v->ignoreMask[1][size_t(i)] != 0, i == 0 || i == 2 * w + 5) << "detect 1 pixel " << i;
    }

    // Saved as 8 bits and read back unchanged.
    v->ignoreMask[1][size_t(4 * w + 9)] = 255;
    const std::vector<unsigned char> before = v->ignoreMask[1];
    v->saveIgnoreMask(1);
    const QImage saved(QStringLiteral("cammer12/ignorepoint.bmp"));
    EXPECT_EQ(saved.format(), QImage::Format_Indexed8);
    v->loadIgnoreMasks();
    EXPECT_EQ(v->ignoreMask[1], before);
}

TEST_F(ResultPictureTest, IgnoreMaskOfAnotherSizeIsEmptyAndReplacedByTheNextSave)
{
    auto v = view(16, 8);
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("cammer11")));
    QImage other(17, 8, QImage::Format_Indexed8);
    other.setColorTable(greyColourTable());
    other.fill(255);
    ASSERT_TRUE(other.save(QStringLiteral("cammer11/ignorepoint.bmp"), "BMP"));
    v->loadIgnoreMasks();
    EXPECT_EQ(v->ignoreMask[0], std::vector<unsigned char>(16 * 8, 0));
    v->saveIgnoreMask(0);
    EXPECT_EQ(QImage(QStringLiteral("cammer11/ignorepoint.bmp")).size(), QSize(16, 8));
}

}  // namespace
