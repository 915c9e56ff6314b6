#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/custombutton.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"
#include "widgets/windowhelpers.h"
#include "tests/support/eventwait.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

TEST(ColorButton, ColourOneIsRedEveryOtherColourBlue)
{
    const struct {
        int colour;
        const char* background;
    } cases[] = {{1, "#F24C3F"}, {0, "#2687F2"}, {2, "#2687F2"}, {-1, "#2687F2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colour);
        ColorButton button(QStringLiteral("OK"), nullptr, c.colour);
        EXPECT_EQ(button.text(), QStringLiteral("OK"));
        EXPECT_FALSE(button.isPictureMode());
        EXPECT_EQ(button.styleSheet(),
                  QStringLiteral("QPushButton{background-color: %1;border-radius: 4px;opacity:1;font-size: 18px;"
                                 "color: white}QPushButton:pressed{background-color: rgba(38, 135, 242, 0.5);"
                                 "color: white;}")
                      .arg(QLatin1String(c.background)));
    }
}

TEST(ColorButton, PictureFormKeepsThePictureWithoutTextOrStyle)
{
    QPixmap picture(16, 8);
    picture.fill(Qt::red);
    ColorButton button(picture, nullptr);
    EXPECT_TRUE(button.isPictureMode());
    EXPECT_EQ(button.picture().size(), QSize(16, 8));
    EXPECT_TRUE(button.text().isEmpty());
    EXPECT_TRUE(button.styleSheet().isEmpty());
}

TEST(CustomButton, StartsOffAndEachClickToggles)
{
    customButton button;
    button.resize(80, 40);
    button.show();
    EXPECT_TRUE(button.isCheckable());
    EXPECT_FALSE(button.isChecked());
    EXPECT_TRUE(button.styleSheet().contains(QLatin1String("QPushButton:!checked{background-color: #F24C3F;")));
    EXPECT_TRUE(button.styleSheet().contains(QLatin1String("QPushButton:checked{background-color: #2687F2;")));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isChecked());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_FALSE(button.isChecked());
}

TEST(ComboBox, WheelLeavesTheSelectionAndEveryPressIsReported)
{
    ComboBox box;
    box.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    box.setCurrentIndex(1);
    box.resize(200, 40);
    box.show();
    EXPECT_EQ(box.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(box.view(), box.listView());

    for (int delta : {120, -120}) {
        QWheelEvent wheel(QPointF(10, 10), box.mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&box, &wheel);
        EXPECT_EQ(box.currentIndex(), 1);
    }

    QSignalSpy clicked(&box, &ComboBox::clicked);
    QTest::mousePress(&box, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    box.hidePopup();
}

TEST(ComboBox, FontAndStyleHelpers)
{
    ComboBox box;
    QFont font(QStringLiteral("WenQuanYi Micro Hei"), 21);
    setComboFont(&box, font);
    EXPECT_EQ(box.font().pointSize(), 21);
    EXPECT_EQ(box.listView()->font().pointSize(), 21);

    setComboStyle(&box, 50);
    EXPECT_EQ(box.styleSheet(),
              QStringLiteral("QComboBox{background-color:white;border-radius:4px;border:none;}QComboBox::drop-down{width:30px;"
                             "height:50;border-style:none;}QComboBox::down-arrow{width:15px;height:12px;image:url(:/down-arrow.png);}"
                             "QComboBox QAbstractItemView::item{height:50px;background-color: white;}"
                             "QComboBox QAbstractItemView::item:hover{color: black;}"
                             "QComboBox QAbstractItemView::item:selected{color: black;}"
                             "QComboBox::tab-bar{border-width:0px;}"));
}

// The rows of an opened list, in pixels, the lowest first.
int lowestOpenRow(QComboBox* box)
{
    box->showPopup();
    QCoreApplication::processEvents();
    int lowest = INT_MAX;
    for (int row = 0; row < box->count(); ++row)
        lowest = std::min(lowest, box->view()->visualRect(box->model()->index(row, 0)).height());
    box->hidePopup();
    return lowest;
}

TEST(ComboBox, OpenListRowsReachTheGivenHeightWhateverTheFont)
{
    struct Case {
        int pixels;      // text size of the box and its list
        int styled;      // height given to setComboStyle, 0 for none
        int lowestRow;   // the lowest row the list may draw
    } const cases[] = {
        {11, 0, kKitSmallestRowPixels},  // a small font alone would give rows of ~20 px
        {20, 0, kKitSmallestRowPixels},
        {20, 40, 40},                    // the statistics and chart screens
        {16, 50, 50},
        {16, 81, 81},                    // the editor's side panel
        {48, 0, kKitSmallestRowPixels},  // unstyled, a large text: the row follows the text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels << " px, style " << c.styled);
        QWidget screen;
        screen.resize(400, 600);
        auto* box = new ComboBox(&screen);
        box->setGeometry(10, 10, 200, 40);
        QFont font(QString::fromLatin1(kKitFontFamily));
        font.setPixelSize(c.pixels);
        setComboFont(box, font);
        if (c.styled)
            setComboStyle(box, c.styled);
        box->addItems({QStringLiteral("全部"), QStringLiteral("1号相机"), QStringLiteral("2号相机")});
        screen.show();
        const int lowest = lowestOpenRow(box);
        EXPECT_GE(lowest, c.lowestRow);
        if (!c.styled) {
            EXPECT_GE(lowest, QFontMetrics(font).height());
        }
    }
}

TEST(ComboBox, QtsOwnComboBoxTakesARowHeight)
{
    // A plain QComboBox draws its list like a menu, with rows of its font's height.
    QWidget screen;
    auto* box = new QComboBox(&screen);
    box->addItems({QStringLiteral("目录"), QStringLiteral("*.tar.gz")});
    screen.show();
    ASSERT_LT(lowestOpenRow(box), 56);
    setListRowHeight(box, 56);
    EXPECT_GE(lowestOpenRow(box), 56);
}

TEST(TextWrap, LongEntriesBreakBetweenWordsOrCharactersIntoLinesThatFit)
{
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setPixelSize(16);
    const QFontMetrics metrics(font);
    struct Case {
        const char* text;
        int width;
        int lines;  // 0: any number above one
    } const cases[] = {
        {"模板", 74, 1},
        {"实时画面", 74, 1},
        {"OK图片记录", 74, 2},
        {"NG图片记录", 74, 2},
        {"左成品检测", 74, 2},
        {"Live picture", 74, 2},
        {"All cameras", 74, 2},
        {"Left product check", 74, 0},
        {"Recent NG", 200, 1},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(text.toStdString());
        const QString wrapped = wrappedToWidth(font, text, c.width);
        const QStringList lines = wrapped.split(QLatin1Char('\n'));
        if (c.lines) {
            EXPECT_EQ(lines.size(), c.lines) << wrapped.toStdString();
        } else {
            EXPECT_GT(lines.size(), 1);
        }
        for (const QString& line : lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), c.width) << line.toStdString();
            EXPECT_EQ(line, line.trimmed());
        }
        // Nothing lost or reordered: only the breaks take the place of spaces.
        QString joined = wrapped;
        joined.remove(QLatin1Char('\n'));
        QString original = text;
        original.remove(QLatin1Char(' '));
        joined.remove(QLatin1Char(' '));
        EXPECT_EQ(joined, original);
    }
    // A word wider than the room stays whole on a line of its own.
    EXPECT_EQ(wrappedToWidth(font, QStringLiteral("a Configuration"), 40), QStringLiteral("a\nConfiguration"));
}

TEST(AutoRepeat, HeldButtonRepeatsAfter300MsThenEvery50Ms)
{
    QPushButton button;
    button.resize(80, 40);
    button.show();
    makeAutoRepeat(&button);
    EXPECT_TRUE(button.autoRepeat());
    EXPECT_EQ(button.autoRepeatDelay(), 300);
    EXPECT_EQ(button.autoRepeatInterval(), 50);

    QSignalSpy clicked(&button, &QPushButton::clicked);
    QElapsedTimer held;
    held.start();
    QTest::mousePress(&button, Qt::LeftButton);
    // The repeats come while the button is held; a slow machine can only make them later, so
    // the first one is never earlier than the delay.
    ASSERT_TRUE(waitUntil([&] { return clicked.count() >= 1; }, kPatientWaitMs)) << "no repeat while held";
    EXPECT_GE(held.elapsed(), 300 - 20) << "repeated before the delay";
    ASSERT_TRUE(waitUntil([&] { return clicked.count() >= 3; }, kPatientWaitMs)) << "the repeats stopped";
    QTest::mouseRelease(&button, Qt::LeftButton);
    // At most one repeat per interval since the first (and one for the release).
    EXPECT_LE(clicked.count(), 2 + held.elapsed() / 50 - 5);
}

TEST(WindowStayOnTop, FramelessCustomisedFlagsWithOrWithoutOnTop)
{
    QWidget widget;
    setWindowStayOnTop(&widget, true);
    EXPECT_EQ(widget.windowFlags() & ~Qt::WindowType_Mask,
              Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    setWindowStayOnTop(&widget, false);
    EXPECT_EQ(widget.windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
}

}  // namespace
