// Draws the monitor's icons and shared pictures from code, deterministically:
//   iconmaker <repository root>
// writes resources/icons/*.png (built into the program) and samples/images/*.png (pictures
// beside the program in its working directory).
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>
#include <QImage>

#include <cmath>
#include <cstdio>

namespace {

enum class Glyph {
    ArrowUp, ArrowDown, ArrowLeft, ArrowRight, Plus, Minus, Target, Play, Stop, Check, Cross, Box, Ring,
    Polygon, Letters, Power, Refresh
};

// A square button icon: a rounded tile of `tile` colour with a white glyph.
struct Icon {
    const char* name;
    Glyph glyph;
    QRgb tile;
    const char* letters;  // Glyph::Letters only
};

constexpr QRgb kBlue = 0xFF2687F2;
constexpr QRgb kGreen = 0xFF2E9E5B;
constexpr QRgb kRed = 0xFFF24C3F;
constexpr QRgb kAmber = 0xFFFFA000;
constexpr QRgb kGrey = 0xFF5A6570;
constexpr QRgb kTeal = 0xFF1E9AA0;

const Icon kResourceIcons[] = {
    {"StartStop", Glyph::Play, kGreen, nullptr},
    {"Stop", Glyph::Stop, kRed, nullptr},
    {"Retrain", Glyph::Refresh, kBlue, nullptr},
    {"Retest", Glyph::Refresh, kTeal, nullptr},
    {"Resume", Glyph::Play, kBlue, nullptr},
    {"Reset", Glyph::Refresh, kGrey, nullptr},
    {"Shutoff", Glyph::Power, kRed, nullptr},
    {"Warn", Glyph::Letters, kAmber, "!"},
    {"Checked", Glyph::Check, kGreen, nullptr},
    {"Unchecked", Glyph::Box, kGrey, nullptr},
    {"Rectangle", Glyph::Box, kBlue, nullptr},
    {"Circle", Glyph::Ring, kBlue, nullptr},
    {"Polygon", Glyph::Polygon, kBlue, nullptr},
    {"AddTemplate", Glyph::Plus, kGreen, nullptr},
    {"DeleteTemp", Glyph::Minus, kRed, nullptr},
    {"DeleteSelect", Glyph::Cross, kRed, nullptr},
    {"DeleteAll", Glyph::Letters, kRed, "ALL"},
    {"Delete", Glyph::Cross, kRed, nullptr},
    {"Close", Glyph::Cross, kRed, nullptr},
    {"CopyArea", Glyph::Letters, kBlue, "CP"},
    {"EditArea", Glyph::Letters, kBlue, "ED"},
    {"SetROI", Glyph::Box, kTeal, nullptr},
    {"DrawGestureArea", Glyph::Polygon, kTeal, nullptr},
    {"DoNotDetectTemp", Glyph::Cross, kAmber, nullptr},
    {"ViewTemp", Glyph::Letters, kTeal, "°C"},
    {"RealTime2Temp", Glyph::Letters, kTeal, "RT"},
    {"TemperatureChart", Glyph::Letters, kTeal, "°C"},
    {"Statistics", Glyph::Letters, kBlue, "Σ"},
    {"SetSystem", Glyph::Letters, kGrey, "SET"},
    {"Display", Glyph::Box, kGrey, nullptr},
    {"Exposure", Glyph::Letters, kAmber, "EV"},
    {"Calibrate", Glyph::Target, kGrey, nullptr},
    {"CameraSwitch", Glyph::Letters, kBlue, "CAM"},
    {"ModifyTime", Glyph::Letters, kGrey, "TIME"},
    {"Export", Glyph::ArrowUp, kBlue, nullptr},
    {"Update", Glyph::ArrowDown, kBlue, nullptr},
    {"Backup", Glyph::ArrowDown, kGreen, nullptr},
    {"Restore", Glyph::ArrowUp, kGreen, nullptr},
    {"Version", Glyph::Letters, kGrey, "V"},
    {"ProductManual", Glyph::Letters, kBlue, "P"},
    {"CavityManual", Glyph::Letters, kBlue, "C"},
    {"NextPage", Glyph::ArrowRight, kGrey, nullptr},
    {"LastPage", Glyph::ArrowLeft, kGrey, nullptr},
    {"Arrow2Right", Glyph::ArrowRight, kGrey, nullptr},
    {"Arrow2Left", Glyph::ArrowLeft, kGrey, nullptr},
    {"Arrow2Right_hovered", Glyph::ArrowRight, kBlue, nullptr},
    {"Arrow2Left_hovered", Glyph::ArrowLeft, kBlue, nullptr},
};

const Icon kWorkingDirIcons[] = {
    {"Origin", Glyph::Target, kGrey, nullptr},
    {"MoveUp", Glyph::ArrowUp, kGrey, nullptr},
    {"MoveDown", Glyph::ArrowDown, kGrey, nullptr},
    {"MoveLeft", Glyph::ArrowLeft, kGrey, nullptr},
    {"MoveRight", Glyph::ArrowRight, kGrey, nullptr},
    {"EnlargeScale", Glyph::Plus, kGrey, nullptr},
    {"ReductionScale", Glyph::Minus, kGrey, nullptr},
    {"left", Glyph::ArrowLeft, kBlue, nullptr},
    {"right", Glyph::ArrowRight, kBlue, nullptr},
};

constexpr int kIconSize = 64;

QPolygonF arrow(double angleDegrees)
{
    // Pointing right around the centre (32, 32), then turned.
    const QPointF points[] = {{46, 32}, {30, 16}, {30, 26}, {16, 26}, {16, 38}, {30, 38}, {30, 48}};
    QTransform turn;
    turn.translate(32, 32).rotate(angleDegrees).translate(-32, -32);
    QPolygonF polygon;
    for (const QPointF& p : points)
        polygon << turn.map(p);
    return polygon;
}

void drawGlyph(QPainter& p, const Icon& icon)
{
    const QColor white(Qt::white);
    QPen pen(white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (icon.glyph) {
    case Glyph::ArrowRight: case Glyph::ArrowDown: case Glyph::ArrowLeft: case Glyph::ArrowUp: {
        const double angle = icon.glyph == Glyph::ArrowRight ? 0 : icon.glyph == Glyph::ArrowDown ? 90
                           : icon.glyph == Glyph::ArrowLeft ? 180 : 270;
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawPolygon(arrow(angle));
        break;
    }
    case Glyph::Plus:
        p.drawLine(18, 32, 46, 32);
        p.drawLine(32, 18, 32, 46);
        break;
    case Glyph::Minus:
        p.drawLine(18, 32, 46, 32);
        break;
    case Glyph::Target:
        p.drawEllipse(QPointF(32, 32), 13, 13);
        p.setBrush(white);
        p.drawEllipse(QPointF(32, 32), 3, 3);
        break;
    case Glyph::Play:
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawPolygon(QPolygonF({{22, 16}, {48, 32}, {22, 48}}));
        break;
    case Glyph::Stop:
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawRect(20, 20, 24, 24);
        break;
    case Glyph::Check:
        p.drawPolyline(QPolygonF({{18, 33}, {28, 43}, {46, 22}}));
        break;
    case Glyph::Cross:
        p.drawLine(20, 20, 44, 44);
        p.drawLine(44, 20, 20, 44);
        break;
    case Glyph::Box:
        pen.setWidth(4);
        p.setPen(pen);
        p.drawRect(18, 20, 28, 24);
        break;
    case Glyph::Ring:
        pen.setWidth(4);
        p.setPen(pen);
        p.drawEllipse(QPointF(32, 32), 14, 14);
        break;
    case Glyph::Polygon:
        pen.setWidth(4);
        p.setPen(pen);
        p.drawPolygon(QPolygonF({{20, 44}, {16, 26}, {32, 16}, {48, 24}, {42, 46}}));
        break;
    case Glyph::Power:
        p.drawArc(QRectF(17, 19, 30, 30), 120 * 16, 300 * 16);
        p.drawLine(32, 14, 32, 32);
        break;
    case Glyph::Refresh: {
        p.drawArc(QRectF(18, 18, 28, 28), 30 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawPolygon(QPolygonF({{42, 12}, {50, 26}, {36, 26}}));
        break;
    }
    case Glyph::Letters: {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        const QString text = QString::fromUtf8(icon.letters);
        font.setPixelSize(text.size() <= 1 ? 34 : text.size() == 2 ? 24 : 16);
        p.setFont(font);
        p.drawText(QRect(0, 0, kIconSize, kIconSize), Qt::AlignCenter, text);
        break;
    }
    }
}

QImage drawIcon(const Icon& icon)
{
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(icon.tile));
    p.drawRoundedRect(QRectF(2, 2, kIconSize - 4, kIconSize - 4), 10, 10);
    drawGlyph(p, icon);
    return image;
}

// A horizontal bar with rounded ends, optionally with a vertical gradient.
QImage drawBar(int width, int height, QColor top, QColor bottom, double radius)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), radius, radius);
    return image;
}

QImage drawHandle()
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x26, 0x87, 0xF2), 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(3, 3, 34, 34));
    return image;
}

QImage drawBackground()
{
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 0, 600);
    gradient.setColorAt(0, QColor(0x3A, 0x44, 0x4E));
    gradient.setColorAt(1, QColor(0x22, 0x28, 0x2E));
    p.fillRect(image.rect(), gradient);
    p.setPen(QPen(QColor(0x26, 0x87, 0xF2), 3));
    p.drawRect(QRectF(1.5, 1.5, 797, 597));
    return image;
}

QImage drawTitle()
{
    QImage image = drawBar(800, 60, QColor(0x2E, 0x8F, 0xF5), QColor(0x1A, 0x5F, 0xB0), 0);
    QPainter p(&image);
    p.setPen(QPen(QColor(255, 255, 255, 90), 2));
    p.drawLine(0, 58, 800, 58);
    return image;
}

QImage drawLine()
{
    QImage image(800, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(0, 1, 800, 2, QColor(0x26, 0x87, 0xF2));
    return image;
}

QImage drawEditField()
{
    QImage image = drawBar(80, 40, QColor(0x1C, 0x22, 0x28), QColor(0x2A, 0x32, 0x3A), 6);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8A, 0x96, 0xA3), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1, 1, 78, 38), 6, 6);
    return image;
}

// The hide button's double chevron pointing left, white on transparent, sized to sit inside the
// 40 x 80 button.
QImage drawArrow2LeftBold()
{
    QImage image(28, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({{14, 6}, {5, 16}, {14, 26}}));
    p.drawPolyline(QPolygonF({{24, 6}, {15, 16}, {24, 26}}));
    return image;
}

// The drop-down arrow of the combo boxes: a triangle pointing down, drawn at the 15 x 12 pixels
// the combo style gives it, dark for the white boxes and white for the dark ones.
QImage drawDownArrow(const QColor& colour)
{
    QImage image(15, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({{1, 2}, {14, 2}, {7.5, 11}}));
    return image;
}

// The logo at the top of the side menu: the product's name on the menu's dark blue-grey. The menu
// stretches it over its button, so it is drawn at about the button's proportions.
QImage drawLogo()
{
    QImage image(200, 180, QImage::Format_RGB32);
    image.fill(QColor(0x26, 0x2E, 0x34));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x26, 0x87, 0xF2), 8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(70, 18, 60, 60));
    p.setBrush(QColor(0x26, 0x87, 0xF2));
    p.drawEllipse(QRectF(90, 38, 20, 20));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 88, 200, 40), Qt::AlignCenter, QStringLiteral("MOULD"));
    p.drawText(QRect(0, 128, 200, 40), Qt::AlignCenter, QStringLiteral("MONITOR"));
    return image;
}

bool save(const QImage& image, const QString& path)
{
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: iconmaker <repository root>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString resources = root.filePath(QStringLiteral("resources/icons"));
    const QString images = root.filePath(QStringLiteral("samples/images"));
    if (!QDir().mkpath(resources) || !QDir().mkpath(images))
        return 1;

    bool ok = true;
    // The bottom bar's buttons carry their picture beside a 22-pixel text: half size.
    const QStringList barIcons = {QStringLiteral("StartStop"), QStringLiteral("Stop"), QStringLiteral("Retrain")};
    for (const Icon& icon : kResourceIcons) {
        QImage image = drawIcon(icon);
        if (barIcons.contains(QLatin1String(icon.name)))
            image = image.scaled(kIconSize / 2, kIconSize / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ok = save(image, resources + QStringLiteral("/%1.png").arg(QLatin1String(icon.name))) && ok;
    }
    ok = save(drawBar(300, 30, QColor(0x1C, 0x22, 0x28), QColor(0x3A, 0x44, 0x4E), 15), resources + "/sliderd.png") && ok;
    ok = save(drawBar(300, 30, QColor(0x4C, 0xA3, 0xFF), QColor(0x1A, 0x6F, 0xD0), 15), resources + "/slideru.png") && ok;
    ok = save(drawHandle(), resources + "/slidert.png") && ok;
    ok = save(drawArrow2LeftBold(), resources + "/Arrow2LeftBold.png") && ok;
    ok = save(drawDownArrow(QColor(0x35, 0x3D, 0x45)), resources + "/down-arrow.png") && ok;
    ok = save(drawDownArrow(Qt::white), resources + "/down-arrow-white.png") && ok;

    for (const Icon& icon : kWorkingDirIcons)
        ok = save(drawIcon(icon), images + QStringLiteral("/%1.png").arg(QLatin1String(icon.name))) && ok;
    ok = save(drawBackground(), images + "/background.png") && ok;
    ok = save(drawTitle(), images + "/title.png") && ok;
    ok = save(drawLine(), images + "/line.png") && ok;
    ok = save(drawEditField(), images + "/edit.png") && ok;
    const QString logo = root.filePath(QStringLiteral("samples/logo"));
    ok = QDir().mkpath(logo) && save(drawLogo(), logo + "/logo.png") && ok;
    return ok ? 0 : 1;
}
