// The detection round: every region tool on OK and NG frames, NG boxes and pixels, verdicts,
// region errors, the round record, and the live preview of one region.
#include "detection/tooltype.h"
#include "mainwindow/mojuwizard.h"

#include "tests/detection/enginefixture.h"
#include "tests/support/modalanswer.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <opencv2/imgproc.hpp>

#include <climits>
#include <functional>
#include <string>

namespace {

const cv::Rect kRegion(40, 40, 120, 100);
const cv::Rect kBlob(90, 70, 20, 20);  // inside kRegion

struct ToolCase {
    std::string name;
    int tool;
    int p1, p2, p3;
    // Turns an OK frame into the NG frame of the case.
    std::function<void(cv::Mat&)> spoil;
    bool boxAtBlob;
};

void PrintTo(const ToolCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToolVerdicts : public EngineTest, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(ToolVerdicts, OkFramePassesAndNgFrameFails)
{
    const ToolCase& c = GetParam();
    makeView();
    for (int j = 0; j < 3; ++j)
        setTemplate(D, j, product(10 + j, kRegion));
    const int s = addRegion(D, c.tool, QRect(kRegion.x, kRegion.y, kRegion.width, kRegion.height), c.p1, c.p2, c.p3);
    DetectEngine& engine = buildEngine();

    cv::Mat live = product(50, kRegion);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 1) << "value " << view->roiValue[s];
    EXPECT_TRUE(view->detectOk);
    EXPECT_TRUE(view->imageRoisOk);

    c.spoil(live);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 0) << "value " << view->roiValue[s];
    EXPECT_FALSE(view->detectOk);
    EXPECT_FALSE(view->imageRoisOk);
    EXPECT_TRUE(view->tempRoisOk);
    if (c.boxAtBlob) {
        ASSERT_EQ(boxCount(s), 1);
        EXPECT_EQ(box(s, 1), kBlob);
        EXPECT_EQ(ngPixels().at<uchar>(kBlob.y + 10, kBlob.x + 10), 255);
        EXPECT_EQ(ngPixels().at<uchar>(kRegion.y + 2, kRegion.x + 2), 0);
    }
}

const auto blobOf = [](int grey) { return [grey](cv::Mat& f) { paste(f, kBlob, grey); }; };

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolVerdicts,
    ::testing::Values(
        // Templates and OK frames show the moulded part; tolerance 30 around the templates.
        ToolCase{"DarkBlobInDefectRegion", ToolType::Defect, 0, 30, 0, blobOf(5), true},
        ToolCase{"SpotOutsideItsSizeRange", ToolType::Spot, 1 | (4 << 8), 0, 100, blobOf(2), true},
        ToolCase{"BlackArea", ToolType::BlackArea, 0, 4, 100, blobOf(2), true},
        ToolCase{"WhiteAreaPartLeftInCavity", ToolType::WhiteArea, 0, 240, 100, blobOf(250), true},
        ToolCase{"MissingPartInSimilarityRegion", ToolType::Similarity, 0, 80, 0,
                 [](cv::Mat& f) { cavity(99)(kRegion).copyTo(f(kRegion)); }, false},
        ToolCase{"ThreePartsInWhiteCountRegion", ToolType::WhiteCount, 3, 240, 2,
                 [](cv::Mat& f) {
                     for (int i = 0; i < 3; ++i)
                         paste(f, cv::Rect(50 + 30 * i, 50, 10, 10), 250);
                 },
                 false},
        ToolCase{"Type11WhiteBandUnderTheAreaRule", 11, 0, 240, 0, blobOf(250), true}),
    [](const ::testing::TestParamInfo<ToolCase>& info) { return info.param.name; });

}  // namespace

namespace {

QRect qrect(const cv::Rect& r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

TEST_F(EngineTest, IgnorePointsSuppressADefect)
{
    makeView();
    for (int j = 0; j < 3; ++j)
        setTemplate(D, j, cavity(10 + j));
    const int s = addRegion(D, ToolType::Defect, qrect(kRegion), 0, 30);
    // An ignore region over the blob draws the ignore points inside it.
    const int ignore = addRegion(D, ToolType::Ignore, QRect(80, 60, 40, 40));
    cv::Mat(H, W, CV_8UC1, view->ignoreMask[D].data())(kBlob + cv::Size(4, 4) - cv::Point(2, 2)).setTo(255);
    DetectEngine& engine = buildEngine();

    cv::Mat live = cavity(50);
    paste(live, kBlob, 5);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 1);
    EXPECT_TRUE(view->detectOk);
    EXPECT_EQ(view->roiValue[s], 0);
    EXPECT_EQ(cv::countNonZero(view->roiMask[ignore]), 24 * 24);
    EXPECT_EQ(view->roiMask[ignore].at<uchar>(12, 12), 255);
    EXPECT_EQ(view->roiMask[ignore].at<uchar>(0, 0), 0);

    // The same blob beside the ignore points is found.
    live = cavity(51);
    paste(live, kBlob + cv::Point(40, 0), 5);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 0);
}

TEST_F(EngineTest, AnyNonZeroIgnoreValueIgnoresThePixel)
{
    makeView();
    const int s = addRegion(D, ToolType::BlackArea, qrect(kRegion), 0, 60, 10);
    cv::Mat ignore(H, W, CV_8UC1, view->ignoreMask[D].data());
    ignore(kBlob).setTo(1);
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(52);
    paste(live, kBlob, 5);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiValue[s], 0);
    EXPECT_EQ(view->roiOk[s], 1);
}

struct ErrorCase {
    std::string name;
    QRect rect;
    cv::Mat mask;  // empty: the rectangle's own mask
    bool noMask;
    int detect;
    int code;
};

void PrintTo(const ErrorCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegionErrors : public EngineTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RegionErrors, RegionReportsItsCodeAndTheOthersAreStillInspected)
{
    const ErrorCase& c = GetParam();
    makeView();
    for (int tool : {ToolType::Defect, ToolType::BlackArea, ToolType::Similarity, ToolType::Temperature}) {
        view->detectOk = true;
        clearRegions();
        const int bad = addRegion(c.detect, tool, c.rect, 3, 60, 0);
        if (c.noMask || !c.mask.empty())
            view->roiMask[bad] = c.mask;
        const int good = addRegion(c.detect, ToolType::BlackArea, qrect(kRegion), 0, 60, 100);
        delete view->engine;
        DetectEngine& engine = buildEngine();
        view->roiValue[bad] = 123;
        view->ngRects[bad][0][0] = 5;

        cv::Mat live = cavity(5);
        paste(live, kBlob, 5);
        setFrame(live);
        testing::internal::CaptureStderr();
        EXPECT_NO_THROW(engine.inspectDetect(c.detect)) << "tool " << tool;
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(view->detectOk) << "tool " << tool;
        EXPECT_EQ(view->roiOk[bad], 1);
        EXPECT_EQ(view->roiValue[bad], 0);
        EXPECT_EQ(view->ngRects[bad][0][0], 0);
        if (c.code != DetectEngine::kDetectMaskEmpty) {
            EXPECT_EQ(view->roiOk[good], 0) << "the good region is inspected";
            // Only the good region is in the record.
            const RoundRecord& round = TemperatureChartData::instance()->round;
            EXPECT_EQ(round.roiResult, QList<int>{0});
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, RegionErrors,
    ::testing::Values(ErrorCase{"RectangleLeavesTheFrame", QRect(300, 200, 50, 50), cv::Mat(), false, 1, -3},
                      ErrorCase{"RectangleAtTheIntLimit", QRect(QPoint(10, INT_MAX - 99), QPoint(109, INT_MAX)), cv::Mat(), false, 1, -3},
                      ErrorCase{"RectangleLeftOfTheFrame", QRect(-10, 20, 50, 50), cv::Mat(), false, 1, -3},
                      ErrorCase{"MaskOfAnotherSize", QRect(10, 10, 30, 30), cv::Mat(20, 30, CV_8UC1, cv::Scalar(255)), false, 1, -3},
                      ErrorCase{"EmptyRectangle", QRect(10, 10, 0, 30), cv::Mat(30, 5, CV_8UC1, cv::Scalar(255)), false, 1, -3},
                      ErrorCase{"NoRegionMask", QRect(10, 10, 30, 30), cv::Mat(), true, 1, -1},
                      ErrorCase{"DetectNeverPrepared", QRect(10, 10, 30, 30), cv::Mat(), false, 2, -2}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST_F(EngineTest, RegionErrorIsWrittenToTheOperationLogWithCameraDetectAndCode)
{
    makeView();
    addRegion(D, ToolType::BlackArea, QRect(10, 10, 0, 30));
    view->roiMask[D * 50] = cv::Mat(30, 1, CV_8UC1, cv::Scalar(255));
    DetectEngine& engine = buildEngine();
    ::testing::internal::CaptureStderr();
    engine.inspectDetect(D);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("REG RUN ERROR = 0, 1, -3"), std::string::npos) << log;
}

TEST_F(EngineTest, MainWindowGetsTheErrorLineAndTheTemperatureReadings)
{
    makeView();
    TableThermalCamera camera;
    camera.temperatures[D * 50 + 1] = 42;
    view->camera = &camera;
    addRegion(D, ToolType::BlackArea, QRect(10, 10, 0, 30));
    view->roiMask[D * 50] = cv::Mat(30, 1, CV_8UC1, cv::Scalar(255));
    addRegion(D, ToolType::Temperature, QRect(40, 10, 30, 30), 0, 0, 100);
    DetectEngine& engine = buildEngine();
    {
        // No camera here: the window asks whether to clear the stored serial numbers.
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        MoJuWizard window;
        ::testing::internal::CaptureStderr();
        engine.inspectDetect(D);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(window.modbusValues, QList<int>{42});
        mainWindow = nullptr;
    }
    view->camera = nullptr;
    QSqlDatabase::database(QStringLiteral("dbRecord"), false).close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("readRecord"));
        db.setDatabaseName(QStringLiteral("RECORD.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        // After the log's automatic first row and the window's start-up row.
        ASSERT_TRUE(query.exec(QStringLiteral("select remarks from RECORD where rowid > 2")));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QStringLiteral("REG RUN ERROR = 0, 1, -3"));
        EXPECT_FALSE(query.next());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("readRecord"));
}

TEST_F(EngineTest, ModelOfAnotherSizeThanItsRegionIsAnError)
{
    makeView();
    for (int j = 0; j < 2; ++j)
        setTemplate(D, j, product(10 + j, kRegion));
    const int defect = addRegion(D, ToolType::Defect, qrect(kRegion), 0, 30);
    const int similar = addRegion(D, ToolType::Similarity, qrect(kRegion), 0, 50);
    DetectEngine& engine = buildEngine();
    // The regions are edited without retraining: their models keep the old size.
    for (int s : {defect, similar}) {
        view->roiSet->rois[D][s - D * 50]->setWidth(kRegion.width - 10);
        view->roiMask[s] = cv::Mat(kRegion.height, kRegion.width - 10, CV_8UC1, cv::Scalar(255));
    }
    setFrame(product(20, kRegion));
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(engine.inspectDetect(D));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(view->detectOk);
    EXPECT_EQ(TemperatureChartData::instance()->round.roiResult, QList<int>{});
    EXPECT_NE(log.find("REG RUN ERROR = 0, 1, -3"), std::string::npos);
}

TEST_F(EngineTest, RoundRecordOfASmallDetect)
{
    makeView();
    auto* camera = new TableThermalCamera;
    camera->temperatures[D * 50 + 3] = 36.4;
    view->camera = camera;
    p().showAlgorithmDetails = 1;
    TemperatureChartData* store = TemperatureChartData::instance();
    const QDateTime roundStart = QDateTime::currentDateTime().addSecs(-2);
    store->round.camera = 3;
    store->round.roundStart = roundStart;
    store->round.roiDetail = {{7, 7}};  // left from an earlier round

    // Defect (its own filter 3 and limit 100), ignore, black area, temperature 20..60.
    addRegion(D, ToolType::Defect, qrect(kRegion), 3, 25, 100);
    addRegion(D, ToolType::Ignore, QRect(200, 20, 30, 30));
    addRegion(D, ToolType::BlackArea, QRect(180, 100, 100, 100), 0, 60, 50);
    addRegion(D, ToolType::Temperature, QRect(10, 200, 20, 20), 3, 20, 60);
    addRegion(D, ToolType::Spot, QRect(180, 100, 100, 100), 0x3C00, 0, 50);
    for (int j = 0; j < 2; ++j)
        setTemplate(D, j, cavity(10 + j));
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(30);
    paste(live, cv::Rect(200, 120, 20, 20), 10);  // NG in the black-area and spot regions
    setFrame(live);
    const QDateTime before = QDateTime::currentDateTime();
    engine.inspectDetect(D);

    const RoundRecord& round = store->round;
    EXPECT_EQ(round.camera, 3);
    EXPECT_EQ(round.detect, D);
    EXPECT_EQ(round.roundStart, roundStart);
    EXPECT_GE(round.detectStart, before);
    EXPECT_EQ(round.result, 0);
    // The 3 x 3 elliptic opening cuts the four corners of the 20 x 20 blob: area 361 - 2.
    const QList<QList<int>> detail = {{0, 0, 25, 100, 3}, {}, {9, 36, 20, 60, 3}, {1, 359, 0, 50, 0, 60}};
    EXPECT_EQ(round.roiDetail, detail);
    EXPECT_EQ(round.roiResult, (QList<int>{1, 0, 1, 0}));
    EXPECT_EQ(round.description, QStringLiteral("Regular recording"));
    ASSERT_EQ(store->insertQueue.size(), 1);
    EXPECT_EQ(store->insertQueue.last().roiDetail, detail);
    EXPECT_EQ(TemperatureChartData::detailToJson(detail), QStringLiteral("[[0,0,25,100,3],[],[9,36,20,60,3],[1,359,0,50,0,60]]"));
    // The temperature region has region position 2 in the record.
    EXPECT_FALSE(store->todaySeries.value(TemperatureChartData::seriesKey(3, D, 2)).isEmpty());
    delete camera;
}

TEST_F(EngineTest, DetectsWithoutInspectedRegionsOrOnADisabledCameraLeaveNoRecord)
{
    makeView();
    addRegion(D, ToolType::Ignore, QRect(10, 10, 30, 30));
    addRegion(D, ToolType::Position, QRect(50, 50, 30, 30));
    addRegion(D, ToolType::AngleCorrect, QRect(100, 50, 30, 30));
    DetectEngine& engine = buildEngine();
    setFrame(cavity(3));
    engine.inspectDetect(D);
    EXPECT_TRUE(view->detectOk);
    EXPECT_TRUE(TemperatureChartData::instance()->insertQueue.isEmpty());

    const int s = addRegion(D, ToolType::BlackArea, qrect(kRegion), 0, 250, 0);
    p().cameraEnabled[0] = 0;
    view->detectOk = false;
    engine.inspectDetect(D);
    EXPECT_TRUE(view->detectOk);
    EXPECT_EQ(view->roiOk[s], 1);
    EXPECT_TRUE(TemperatureChartData::instance()->insertQueue.isEmpty());
}

// Value and verdict of one region on a cavity frame with a 10 x 10 patch of grey `patch`.
struct RuleCase {
    std::string name;
    int tool;
    int p1, p2, p3;
    int patch;
    int value;
    int ok;
};

void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << c.name;
}

class ToolRules : public EngineTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(ToolRules, ValueAndVerdict)
{
    const RuleCase& c = GetParam();
    p().minSpot = 1;
    makeView();
    const int s = addRegion(D, c.tool, qrect(kRegion), c.p1, c.p2, c.p3);
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(8);
    paste(live, cv::Rect(60, 60, 10, 10), c.patch);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiValue[s], c.value);
    EXPECT_EQ(view->roiOk[s], c.ok);
}

// A 10 x 10 patch has the contour area 81.
INSTANTIATE_TEST_SUITE_P(
    Bands, ToolRules,
    ::testing::Values(RuleCase{"SpotBandFromBothBytesLowFirst", ToolType::Spot, 20496, 0, 1000, 16, 81, 1},
                      RuleCase{"SpotBandFromBothBytesHighFirst", ToolType::Spot, 4176, 0, 1000, 80, 81, 1},
                      RuleCase{"SpotBelowTheBand", ToolType::Spot, 4176, 0, 1000, 15, 0, 1},
                      RuleCase{"SpotAboveTheBand", ToolType::Spot, 20496, 0, 1000, 81, 0, 1},
                      RuleCase{"SpotSmallerThanItsMinimum", ToolType::Spot, 20496, 82, 1000, 16, 81, 0},
                      RuleCase{"SpotLargerThanItsMaximum", ToolType::Spot, 20496, 0, 80, 16, 81, 0},
                      RuleCase{"BlackAreaBandFromTheLowByte", ToolType::BlackArea, 0, 300, 80, 44, 81, 0},
                      RuleCase{"BlackAreaJustAboveTheBand", ToolType::BlackArea, 0, 300, 80, 45, 0, 1},
                      RuleCase{"WhiteAreaAtItsLimit", ToolType::WhiteArea, 0, 200, 81, 200, 81, 1},
                      RuleCase{"WhiteCountCountsBlobs", ToolType::WhiteCount, 1, 200, 0, 230, 1, 0},
                      RuleCase{"Type8MarksNothing", 8, 0, 0, 0, 5, 0, 1}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return info.param.name; });

TEST_F(EngineTest, AreaRuleReversedWhenTheTemplateIsTheNgImage)
{
    p().templateIsNgImage = 1;
    p().alarmArea = 100;
    p().filterSize = 1;
    makeView();
    for (int j = 0; j < 2; ++j)
        setTemplate(D, j, cavity(10 + j));
    const int s = addRegion(D, ToolType::Defect, qrect(kRegion), 0, 30);
    const int type8 = addRegion(D, 8, QRect(200, 20, 50, 50));
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(40);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiValue[s], 0);
    EXPECT_EQ(view->roiOk[s], 0);
    EXPECT_EQ(view->roiOk[type8], 0);

    paste(live, cv::Rect(60, 60, 11, 11), 5);  // contour area 100
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiValue[s], 100);
    EXPECT_EQ(view->roiOk[s], 1);
}

TEST_F(EngineTest, TemperatureLimitsFromTheLowHalvesOfP2AndP3)
{
    makeView();
    TableThermalCamera camera;
    view->camera = &camera;
    const int s = addRegion(D, ToolType::Temperature, QRect(10, 10, 20, 20), 0, 65586, 131092);
    DetectEngine& engine = buildEngine();
    setFrame(cavity(1));
    const struct {
        double temperature;
        int ok;
    } cases[] = {{20, 1}, {50, 1}, {19, 0}, {51, 0}, {50.4, 1}, {50.6, 0}};
    for (const auto& c : cases) {
        camera.temperatures[s] = c.temperature;
        engine.inspectDetect(D);
        EXPECT_EQ(view->roiOk[s], c.ok) << c.temperature;
        EXPECT_EQ(view->tempRoisOk, c.ok == 1) << c.temperature;
        EXPECT_EQ(view->detectOk, c.ok == 1) << c.temperature;
        EXPECT_TRUE(view->imageRoisOk);
    }

    p().temperatureAlarmNoStop = 1;
    camera.temperatures[s] = 80;
    engine.inspectDetect(D);
    EXPECT_FALSE(view->tempRoisOk);
    EXPECT_TRUE(view->detectOk);
    view->camera = nullptr;
}

// 3 x 3 white blobs on a 12-pixel grid inside the region, `count` of them.
cv::Mat whiteBlobs(int count, const cv::Rect& region)
{
    cv::Mat live = cavity(4);
    int placed = 0;
    for (int y = region.y + 4; y + 3 < region.y + region.height && placed < count; y += 12)
        for (int x = region.x + 4; x + 3 < region.x + region.width && placed < count; x += 12, ++placed)
            paste(live, cv::Rect(x, y, 3, 3), 250);
    EXPECT_EQ(placed, count);
    return live;
}

TEST_F(EngineTest, WhiteCountStoresAtMost99BoxesButThePreviewCountsAll)
{
    makeView();
    const cv::Rect region(5, 5, 310, 230);
    const int s = addRegion(D, ToolType::WhiteCount, qrect(region), 1, 200, 200);
    DetectEngine& engine = buildEngine();
    setFrame(whiteBlobs(150, region));
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiValue[s], 99);
    EXPECT_EQ(boxCount(s), 99);
    EXPECT_EQ(box(s, 99).size(), cv::Size(3, 3));

    copyToEditSet();
    const cv::Mat preview = whiteBlobs(120, region);
    std::memcpy(view->templates[D][0].data(), preview.data, preview.total());
    engine.evaluateRoi(D, 0);
    EXPECT_EQ(view->roiValue[s], 120);
    EXPECT_EQ(boxCount(s), 0);
    EXPECT_TRUE(view->previewActive);
    EXPECT_EQ(cv::countNonZero(ngPixels()), 120 * 9);
}

TEST_F(EngineTest, LaterRegionOverwritesTheNgPixelsOfAnEarlierOneWhereTheyOverlap)
{
    p().minSpot = 1;
    makeView();
    const int first = addRegion(D, ToolType::BlackArea, QRect(40, 40, 100, 100), 0, 60, 10);
    const int second = addRegion(D, ToolType::BlackArea, QRect(90, 40, 100, 100), 0, 0, 10);
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(6);
    paste(live, cv::Rect(70, 60, 40, 20), 10);  // straddles the overlap's left edge at x = 90
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[first], 0);
    EXPECT_EQ(view->roiOk[second], 1);
    EXPECT_EQ(cv::countNonZero(ngPixels()), 20 * 20);
    EXPECT_EQ(ngPixels().at<uchar>(70, 80), 255);
    EXPECT_EQ(ngPixels().at<uchar>(70, 100), 0);
}

TEST_F(EngineTest, KernelSizesFromTheDatabaseAreHeldToTheRegion)
{
    p().showAlgorithmDetails = 1;
    makeView();
    for (int j = 0; j < 2; ++j)
        setTemplate(D, j, cavity(10 + j));
    cv::Mat live = cavity(7);
    paste(live, kBlob, 5);
    const struct {
        int tool;
        int p1;
        int value;
    } cases[] = {
        // Sizes below 1 leave the blob as it is; the region's longer side (120) removes it; a
        // 3 x 3 ellipse cuts its corners. The white count (band from 30) sees one region-wide blob.
        {ToolType::Defect, 0, 361}, {ToolType::Defect, -7, 361}, {ToolType::Defect, 100000, 0},
        {ToolType::Defect, 3, 359}, {ToolType::WhiteCount, -3, 1}, {8, 100000, 0}};
    for (const auto& c : cases) {
        clearRegions();
        const int s = addRegion(D, c.tool, qrect(kRegion), c.p1, 30, 100000);
        delete view->engine;
        DetectEngine& engine = buildEngine();
        setFrame(live);
        EXPECT_NO_THROW(engine.inspectDetect(D)) << c.tool << " " << c.p1;
        EXPECT_EQ(view->roiValue[s], c.value) << c.tool << " " << c.p1;
        copyToEditSet();
        EXPECT_NO_THROW(engine.evaluateRoi(D, 0));
    }
}

TEST_F(EngineTest, BrightnessMatchingScalesAScratchCopyAndNeverByANormOfZero)
{
    p().matchTemplateBrightness = 1;
    makeView();
    const int s = addRegion(D, ToolType::BlackArea, qrect(kRegion), 0, 60, 100);
    DetectEngine& engine = buildEngine();

    // No template: the norm stays 0 and the frame is inspected as it is, not blackened.
    cv::Mat live = cavity(9);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(engine.templateNorm[D], 0.0);
    EXPECT_EQ(view->roiOk[s], 1);

    // A frame at half the template's brightness is inspected at the template's brightness, and
    // the frame buffer (shown and saved) keeps the frame as it came.
    setTemplate(D, 0, cavity(10));
    engine.prepareTemplates(D);
    EXPECT_GT(engine.templateNorm[D], 0.0);
    live = cavity(11) / 2;
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 1) << view->roiValue[s];
    EXPECT_EQ(std::memcmp(view->frameBuffer.data(), live.data, live.total()), 0);

    p().matchTemplateBrightness = 0;
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 0);
}

TEST_F(EngineTest, PreviewValidatesTheRegionBeforeWritingAnything)
{
    p().minSpot = 1;
    makeView();
    const int s = addRegion(D, ToolType::BlackArea, qrect(kRegion), 0, 60, 100);
    DetectEngine& engine = buildEngine();
    copyToEditSet();
    cv::Mat tmpl = cavity(2);
    paste(tmpl, kBlob, 5);
    std::memcpy(view->templates[D][0].data(), tmpl.data, tmpl.total());

    view->roiValue[s + 1] = 777;
    view->ngPixels[0] = 9;
    engine.evaluateRoi(D, 1);   // beyond the edit set's count
    engine.evaluateRoi(D, 50);  // beyond any detect
    engine.evaluateRoi(9, 0);
    EXPECT_EQ(view->roiValue[s + 1], 777);
    EXPECT_EQ(view->ngPixels[0], 9);
    EXPECT_FALSE(view->previewActive);

    view->editRoiMask[s] = cv::Mat();  // a region without a mask shows nothing
    EXPECT_NO_THROW(engine.evaluateRoi(D, 0));
    EXPECT_FALSE(view->previewActive);
    view->editRoiMask[s] = view->roiMask[s].clone();
    view->editRoiSet->rois[D][0]->moveTo(W - 50, 10);  // now partly outside the frame
    EXPECT_NO_THROW(engine.evaluateRoi(D, 0));
    EXPECT_FALSE(view->previewActive);
    view->editRoiSet->rois[D][0]->moveTo(kRegion.x, kRegion.y);

    view->editRoiMask[s] = view->roiMask[s].clone();
    engine.evaluateRoi(D, 0);
    EXPECT_TRUE(view->previewActive);
    EXPECT_EQ(view->roiValue[s], 361);
    EXPECT_EQ(cv::countNonZero(ngPixels()), 400);
    EXPECT_EQ(view->roiOk[s], 1);  // no verdict
}

TEST_F(EngineTest, ColourFramesAreInspectedAsGrey)
{
    makeView(true);
    for (int j = 0; j < 2; ++j)
        setTemplate(D, j, cavity(10 + j));
    const int s = addRegion(D, ToolType::Defect, qrect(kRegion), 0, 30);
    const int black = addRegion(D, ToolType::BlackArea, QRect(180, 100, 100, 100), 0, 60, 100);
    DetectEngine& engine = buildEngine();
    cv::Mat live = cavity(12);
    paste(live, kBlob, 5);
    setFrame(live);
    engine.inspectDetect(D);
    EXPECT_EQ(view->roiOk[s], 0);
    EXPECT_EQ(box(s, 1), kBlob);
    EXPECT_EQ(view->roiOk[black], 1);
}

TEST(ToolTypeNames, ChineseSourceTextsWithoutATranslator)
{
    const struct {
        int tool;
        const char* name;
    } cases[] = {{0, "缺陷检测"}, {1, "斑点检测"}, {2, "忽略区域"}, {3, "目标定位"},  {4, "黑斑面积"}, {5, "白斑面积"},
                 {6, "相似度"},   {7, "白斑个数"}, {8, "缺陷检测"}, {9, "温度报警"}, {10, "角度矫正"}, {11, "缺陷检测"},
                 {-1, "缺陷检测"}};
    for (const auto& c : cases)
        EXPECT_EQ(toolTypeName(c.tool), QString::fromUtf8(c.name)) << c.tool;
}

}  // namespace

namespace {

// Template 0 of the detect could not be read at start: the slot holds the generated template, the
// other templates are real. Trained on that mixture the models would pass almost anything, so every
// inspected region stays NG until template 0 is sampled again; then the same frames pass.
TEST_F(EngineTest, UnreadableTemplateZeroKeepsEveryImageRegionNgUntilSampledAgain)
{
    makeView();
    // What loading does with a template 0 it cannot read: the generated one (white middle), marked.
    cv::Mat generated(H, W, CV_8UC1, cv::Scalar(0));
    generated(cv::Rect(W / 4, H / 4, W / 2 + 1, H / 2 + 1)).setTo(255);
    setTemplate(D, 0, generated);
    for (int j = 1; j < 3; ++j)
        setTemplate(D, j, product(10 + j, kRegion));
    view->templateZeroUnreadable[D] = true;
    const int defect = addRegion(D, ToolType::Defect, qrect(kRegion), 0, 30);
    const int similarity = addRegion(D, ToolType::Similarity, qrect(kRegion), 0, 80);
    const int spot = addRegion(D, ToolType::BlackArea, QRect(200, 150, 60, 60), 0, 4, 100);
    const int ignore = addRegion(D, ToolType::Ignore, QRect(10, 10, 20, 20));
    DetectEngine& engine = buildEngine();

    const cv::Mat good = product(50, kRegion);
    setFrame(good);
    engine.inspectDetect(D);
    EXPECT_FALSE(view->detectOk);
    EXPECT_FALSE(view->imageRoisOk);
    for (int s : {defect, similarity, spot}) {
        EXPECT_EQ(view->roiOk[s], 0) << "slot " << s;
        EXPECT_EQ(view->roiValue[s], 0) << "slot " << s;
        EXPECT_EQ(boxCount(s), 0) << "slot " << s;
    }
    EXPECT_EQ(view->roiOk[ignore], 1) << "a region that inspects nothing has no verdict";

    // Sampled again (the good part becomes template 0): the mark goes and the check judges again.
    fill(view->grabBuffer, good);
    view->SaveReTrainImage(D);
    EXPECT_FALSE(view->templateZeroUnreadable[D]);
    setTemplate(D, 0, product(10, kRegion));
    engine.prepareTemplates(D);
    setFrame(product(51, kRegion));
    engine.inspectDetect(D);
    EXPECT_TRUE(view->detectOk);
    for (int s : {defect, similarity, spot})
        EXPECT_EQ(view->roiOk[s], 1) << "slot " << s << " value " << view->roiValue[s];
}

}  // namespace
