// The warning box: placement, close button, result of exec() and what it paints.
#include "widgets/warnbox.h"

#include "core/globals.h"
#include "tests/support/modalanswer.h"
#include "widgets/kitfont.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int whitePixels(const QImage& image, const QRect& area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == QColor(Qt::white))
                ++n;
    return n;
}

TEST(Warnbox, CentredFramelessWithTheRedCloseButton)
{
    const int savedW = screenWidth;
    const int savedH = screenHeight;
    screenWidth = 1280;
    screenHeight = 800;
    Warnbox box;
    screenWidth = savedW;
    screenHeight = savedH;
    EXPECT_EQ(box.geometry(), QRect(340, 190, 600, 420));
    EXPECT_EQ(box.windowFlags() & ~Qt::WindowType_Mask,
              Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    // No dialog window type: a parentless widget is a plain window.
    EXPECT_EQ(box.windowType(), Qt::Window);
    const auto buttons = box.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->geometry(), QRect(540, 0, 60, 60));
    EXPECT_TRUE(buttons[0]->text().isEmpty());
    EXPECT_EQ(buttons[0]->styleSheet(), "QPushButton{background-color: red;border-image: url(:/Close.png);}");
}

TEST(Warnbox, CloseButtonEndsExecWithZero)
{
    Warnbox box;
    box.setText(QStringLiteral("相机参数文件打开错误！"));
    QTimer::singleShot(50, &box, [&box]() { box.findChild<QPushButton*>()->click(); });
    EXPECT_EQ(box.exec(), 0);
    EXPECT_FALSE(box.isVisible());

    // Shown without blocking, the close button hides it.
    box.show();
    box.findChild<QPushButton*>()->click();
    EXPECT_FALSE(box.isVisible());
}

TEST(Warnbox, PaintsTheFrameAndTheMessageInWhite)
{
    Warnbox box;
    const QRect message(100, 190, 400, 150);
    QImage blank = box.grab().toImage();
    EXPECT_EQ(blank.pixelColor(300, 30), QColor(QStringLiteral("#353D45"))) << "title bar";
    EXPECT_EQ(blank.pixelColor(300, 400), QColor(QStringLiteral("#262E34"))) << "body";
    EXPECT_EQ(whitePixels(blank, message), 0);
    EXPECT_GT(whitePixels(blank, QRect(15, 15, 96, 33)), 0) << "the title";

    box.setText(QStringLiteral("Camera parameter file error! The detect loads without regions."));
    QImage withText = box.grab().toImage();
    EXPECT_GT(whitePixels(withText, message), 0);
    EXPECT_EQ(whitePixels(withText, QRect(0, 60, 20, 360)), 0) << "the message keeps clear of the left side";
    EXPECT_EQ(whitePixels(withText, QRect(580, 60, 20, 360)), 0) << "and of the right side";
}

TEST(Warnbox, WritesInTheKitFont)
{
    // A Latin message shows which font drew it: the kit's CJK font, as in every other box.
    Warnbox box;
    const QString message = QStringLiteral("Camera parameter file error!");
    box.setText(message);
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);

    QImage expected(shown.size(), QImage::Format_RGB32);
    expected.fill(QColor(QStringLiteral("#262E34")));
    {
        QPainter painter(&expected);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QLatin1String(kKitFontFamily), 15));
        painter.drawText(QRect(100, 190, 400, 150), Qt::AlignCenter | Qt::TextWordWrap, message);
    }
    const QRect area(100, 250, 400, 80);
    EXPECT_EQ(shown.copy(area), expected.copy(area));
}

}  // namespace
