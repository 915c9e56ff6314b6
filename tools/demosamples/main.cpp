// Writes what the demo's two simulated 1920 x 1080 grey cameras show and what their cavity
// check is trained on, all drawn from code and deterministic:
//   cammer15/template0.bmp, cammer25/template0.bmp  the empty cavity of camera 1 and 2 (the
//                                                   simulated cameras' first picture)
//   cammer15/template1.bmp, cammer25/template1.bmp  the same mould with a part left in a cavity
//   cammer12/template0.bmp, cammer22/template0.bmp  template 0 of the cavity check (the empty
//                                                   cavity)
//   PARAM.db  the default parameter group's record with pictures kept (20 NG, 20 OK per folder),
//             statistics and the temperature chart on, and one defect region over each cavity of the cavity check, cameras 1 and 2
//
// Usage: make-demo-samples SAMPLES_DIR   (reads SAMPLES_DIR/paraGroup/default/PARAM.db)

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/roiinterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlQuery>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCavityDetect = 1;

// One camera's mould: its cavities (where regions go) and the seed of its texture.
struct Mould {
    std::vector<cv::Rect> cavities;
    bool round;  // round cavities (caps) instead of boxes
    uint64_t seed;
};

const Mould kMoulds[2] = {
    {{cv::Rect(300, 260, 560, 420), cv::Rect(1060, 260, 560, 420)}, false, 1511},
    {{cv::Rect(260, 300, 420, 420), cv::Rect(750, 300, 420, 420), cv::Rect(1240, 300, 420, 420)}, true, 2517},
};

void addNoise(cv::Mat& img, double sigma, uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat noise(img.size(), CV_16SC1);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, sigma);
    cv::Mat sum;
    img.convertTo(sum, CV_16SC1);
    sum += noise;
    sum.convertTo(img, CV_8UC1);
}

// Brushed steel: grey with streaks along x, a few bolt holes and a parting-line groove.
cv::Mat mouldPlate(uint64_t seed)
{
    cv::RNG rng(seed);
    cv::Mat streaks(kHeight, kWidth, CV_8UC1);
    rng.fill(streaks, cv::RNG::NORMAL, 128.0, 18.0);
    cv::blur(streaks, streaks, cv::Size(61, 1));
    cv::Mat plate(kHeight, kWidth, CV_8UC1);
    // A soft light fall-off from the upper left, as from the machine's lamp.
    for (int y = 0; y < kHeight; ++y) {
        unsigned char* row = plate.ptr<unsigned char>(y);
        const unsigned char* s = streaks.ptr<unsigned char>(y);
        for (int x = 0; x < kWidth; ++x) {
            const double light = 1.05 - 0.25 * (double(x) / kWidth + double(y) / kHeight) / 2.0;
            row[x] = cv::saturate_cast<unsigned char>(s[x] * light);
        }
    }
    cv::line(plate, cv::Point(0, 140), cv::Point(kWidth, 140), cv::Scalar(70), 6, cv::LINE_AA);
    cv::line(plate, cv::Point(0, kHeight - 140), cv::Point(kWidth, kHeight - 140), cv::Scalar(70), 6, cv::LINE_AA);
    const cv::Point bolts[] = {{90, 70}, {kWidth - 90, 70}, {90, kHeight - 70}, {kWidth - 90, kHeight - 70},
                               {kWidth / 2, 70}, {kWidth / 2, kHeight - 70}};
    for (const cv::Point& b : bolts) {
        cv::circle(plate, b, 34, cv::Scalar(40), cv::FILLED, cv::LINE_AA);
        cv::circle(plate, b, 34, cv::Scalar(175), 3, cv::LINE_AA);
        cv::circle(plate, b, 14, cv::Scalar(20), cv::FILLED, cv::LINE_AA);
    }
    return plate;
}

// An empty cavity: a darker pocket with a bright rim, ribs and ejector pins.
void drawCavity(cv::Mat& img, const cv::Rect& r, bool round, cv::RNG& rng)
{
    const cv::Point c(r.x + r.width / 2, r.y + r.height / 2);
    if (round) {
        const int radius = std::min(r.width, r.height) / 2 - 10;
        cv::circle(img, c, radius + 6, cv::Scalar(190), 4, cv::LINE_AA);
        cv::circle(img, c, radius, cv::Scalar(62), cv::FILLED, cv::LINE_AA);
        cv::circle(img, c, radius * 2 / 3, cv::Scalar(80), 5, cv::LINE_AA);
        for (int k = 0; k < 8; ++k) {
            const double a = k * CV_PI / 4;
            cv::line(img, c + cv::Point(int(radius * 0.25 * std::cos(a)), int(radius * 0.25 * std::sin(a))),
                     c + cv::Point(int(radius * 0.62 * std::cos(a)), int(radius * 0.62 * std::sin(a))), cv::Scalar(92), 4,
                     cv::LINE_AA);
        }
        cv::circle(img, c, 18, cv::Scalar(150), cv::FILLED, cv::LINE_AA);
    } else {
        const cv::Rect inner(r.x + 10, r.y + 10, r.width - 20, r.height - 20);
        cv::rectangle(img, inner, cv::Scalar(190), 4, cv::LINE_AA);
        cv::rectangle(img, cv::Rect(inner.x + 4, inner.y + 4, inner.width - 8, inner.height - 8), cv::Scalar(58),
                      cv::FILLED);
        for (int k = 1; k < 4; ++k) {
            const int x = inner.x + inner.width * k / 4;
            cv::line(img, cv::Point(x, inner.y + 30), cv::Point(x, inner.y + inner.height - 30), cv::Scalar(88), 6,
                     cv::LINE_AA);
        }
        cv::line(img, cv::Point(inner.x + 30, c.y), cv::Point(inner.x + inner.width - 30, c.y), cv::Scalar(88), 6,
                 cv::LINE_AA);
        for (int k = 0; k < 6; ++k) {
            const cv::Point pin(inner.x + 60 + rng.uniform(0, inner.width - 120), inner.y + 60 + rng.uniform(0, inner.height - 120));
            cv::circle(img, pin, 9, cv::Scalar(165), cv::FILLED, cv::LINE_AA);
        }
    }
}

// A moulded part left in the cavity: light plastic, a little turned, with its own ribs and shade.
void drawPart(cv::Mat& img, const cv::Rect& r, bool round)
{
    const cv::Point2f c(r.x + r.width * 0.52f, r.y + r.height * 0.48f);
    if (round) {
        const int radius = std::min(r.width, r.height) / 2 - 40;
        cv::circle(img, c, radius, cv::Scalar(205), cv::FILLED, cv::LINE_AA);
        cv::circle(img, c, radius, cv::Scalar(235), 5, cv::LINE_AA);
        cv::circle(img, c, radius / 2, cv::Scalar(185), 8, cv::LINE_AA);
        cv::ellipse(img, c + cv::Point2f(-radius / 3.0f, -radius / 3.0f), cv::Size(radius / 3, radius / 6), -35, 0, 360,
                    cv::Scalar(245), cv::FILLED, cv::LINE_AA);
    } else {
        const cv::RotatedRect part(c, cv::Size2f(r.width * 0.78f, r.height * 0.7f), 7.0f);
        cv::Point2f corners[4];
        part.points(corners);
        std::vector<cv::Point> poly(corners, corners + 4);
        cv::fillConvexPoly(img, poly, cv::Scalar(200), cv::LINE_AA);
        cv::polylines(img, poly, true, cv::Scalar(232), 5, cv::LINE_AA);
        cv::line(img, (corners[0] + corners[1]) * 0.5f, (corners[2] + corners[3]) * 0.5f, cv::Scalar(178), 10, cv::LINE_AA);
        cv::line(img, (corners[1] + corners[2]) * 0.5f, (corners[3] + corners[0]) * 0.5f, cv::Scalar(178), 10, cv::LINE_AA);
    }
}

cv::Mat mouldPicture(const Mould& mould, bool partLeft)
{
    cv::Mat img = mouldPlate(mould.seed);
    cv::RNG rng(mould.seed + 7);
    for (const cv::Rect& r : mould.cavities)
        drawCavity(img, r, mould.round, rng);
    if (partLeft)
        drawPart(img, mould.cavities.front(), mould.round);
    cv::GaussianBlur(img, img, cv::Size(0, 0), 0.8);
    addNoise(img, 2.0, mould.seed + 11);
    return img;
}

bool writeBmp(const cv::Mat& img, const QString& path)
{
    QImage image(img.cols, img.rows, QImage::Format_Indexed8);
    QVector<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey.append(qRgb(i, i, i));
    image.setColorTable(grey);
    for (int y = 0; y < img.rows; ++y)
        std::memcpy(image.scanLine(y), img.ptr(y), size_t(img.cols));
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// One defect region over each cavity of the cavity check.
bool writeRegions(int camera, const Mould& mould, QSqlQuery query)
{
    CammerSingleton set(camera);
    for (int d = 0; d < CammerSingleton::kDetects; ++d)
        set.rois.append(QList<ROIInterface*>());
    for (const cv::Rect& r : mould.cavities) {
        const int k = set.roiCount[kCavityDetect]++;
        const int slot = kCavityDetect * CammerSingleton::kRoisPerDetect + k;
        auto* shape = new ClustomRect;
        shape->setRect(r.x, r.y, r.width, r.height);
        set.rois[kCavityDetect].append(shape);
        set.toolType[slot] = 0;  // defect
        set.shapeKind[slot] = ShapeRectangle;
        set.minWH[slot] = 3;
        set.sensitivity[slot] = 30;
        set.area[slot] = 100;
    }
    return set.save(query);
}

}  // namespace

int main(int argc, char** argv)
{
    // The parameter store repairs missing databases and then reboots; this tool never runs a
    // shell command for real.
    qputenv("MONITOR_DRY_RUN", "1");
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo-samples SAMPLES_DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir::setCurrent(dir)) {
        std::fprintf(stderr, "cannot use %s\n", argv[1]);
        return 1;
    }
    for (int c = 0; c < 2; ++c) {
        const cv::Mat empty = mouldPicture(kMoulds[c], false);
        const cv::Mat partLeft = mouldPicture(kMoulds[c], true);
        const QString camera = QString::number(c + 1);
        const QString simulated = QStringLiteral("cammer%1%2").arg(camera).arg(5);
        const QString cavityCheck = QStringLiteral("cammer%1%2").arg(camera).arg(kCavityDetect + 1);
        if (!writeBmp(empty, simulated + QStringLiteral("/template0.bmp"))
            || !writeBmp(partLeft, simulated + QStringLiteral("/template1.bmp"))
            || !writeBmp(empty, cavityCheck + QStringLiteral("/template0.bmp")))
            return 1;
    }

    QFile::remove(QStringLiteral("PARAM.db"));
    if (!QFile::copy(QStringLiteral("paraGroup/default/PARAM.db"), QStringLiteral("PARAM.db"))) {
        std::fprintf(stderr, "cannot copy paraGroup/default/PARAM.db\n");
        return 1;
    }
    // Loading reads sysadd.txt and SN.db too; whatever it leaves beside PARAM.db goes again.
    const QStringList before = QDir().entryList(QDir::Files);
    QFile::copy(QStringLiteral("paraGroup/default/SN.db"), QStringLiteral("SN.db"));
    bool ok = true;
    {
        currentLanguage = 0;
        ParameterManager store;
        store.loadParams();
        store.active->ngImagesKept = 20;
        store.active->okImagesKept = 20;
        // The side menu's statistics and temperature chart show the demo's cycles.
        store.active->statisticsEnabled = 1;
        store.active->temperatureChartEnabled = 1;
        ok = SystemParam::saveSysParams(*store.active, QSqlQuery(store.queryIn));
        for (int c = 0; c < 2 && ok; ++c)
            ok = writeRegions(c, kMoulds[c], QSqlQuery(store.queryIn));
    }
    for (const QString& file : QDir().entryList(QDir::Files)) {
        if (!before.contains(file))
            QFile::remove(file);
    }
    if (!ok) {
        std::fprintf(stderr, "writing PARAM.db failed\n");
        return 1;
    }
    std::printf("demo samples written to %s\n", qPrintable(QDir::currentPath()));
    return 0;
}
