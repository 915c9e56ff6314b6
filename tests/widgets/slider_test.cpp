#include "tests/widgets/kitfixture.h"

#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/slider.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QMouseEvent>
#include <QSignalSpy>

namespace {

using SliderTest = KitTest;

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A slider laid out and painted, so that its handle is known.
struct ShownSlider {
    ShownSlider(int minimum, int maximum, int value, int width)
    {
        host.resize(qMax(width, 400) + 100, 800);
        slider = new Slider(minimum, maximum, 1, value, &host, QStringLiteral("阈值"));
        slider->setGeometry(0, 100, width, 50);
        host.show();
        slider->grab();
    }
    QWidget host;
    Slider* slider;
};

TEST_F(SliderTest, GeometryFillAndHandle)
{
    ShownSlider s(0, 10, 5, 1000);
    EXPECT_EQ(s.slider->objectName(), QStringLiteral("阈值"));
    EXPECT_EQ(s.slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(s.slider->trackWidth(), 610);
    EXPECT_EQ(s.slider->trackMargin(), 18);
    EXPECT_EQ(s.slider->fillWidth(), 570);
    EXPECT_EQ(s.slider->handleRect(), QRect(618, 3, 10, 44));  // fill 285
    EXPECT_EQ(s.slider->plusButton()->geometry(), QRect(930, 5, 70, 41));
    EXPECT_EQ(s.slider->minusButton()->geometry(), QRect(240, 5, 70, 41));
    EXPECT_EQ(s.slider->plusButton()->text(), QStringLiteral("+ 1"));
    EXPECT_EQ(s.slider->minusButton()->text(), QStringLiteral("- 1"));
    EXPECT_TRUE(s.slider->plusButton()->autoRepeat());
    EXPECT_EQ(s.slider->valueField()->geometry(), QRect(0, 0, 0, 60));
}

TEST_F(SliderTest, ButtonsStepAndStopAtTheEnds)
{
    ShownSlider s(0, 10, 9, 1000);
    QSignalSpy changed(s.slider, &Slider::valueChanged);
    QTest::mouseClick(s.slider->plusButton(), Qt::LeftButton);
    QTest::mouseClick(s.slider->plusButton(), Qt::LeftButton);
    EXPECT_EQ(s.slider->value(), 10);
    EXPECT_EQ(changed.count(), 1);
    s.slider->setValue(1);
    QTest::mouseClick(s.slider->minusButton(), Qt::LeftButton);
    QTest::mouseClick(s.slider->minusButton(), Qt::LeftButton);
    EXPECT_EQ(s.slider->value(), 0);
}

TEST_F(SliderTest, DraggingTheHandleToBothEnds)
{
    ShownSlider s(0, 10, 5, 1000);
    const QPoint handle = s.slider->handleRect().center();
    sendMouse(s.slider, QEvent::MouseButtonPress, handle);
    // 50 pixels make 0.88 of a step: nothing yet; 120 pixels in all make two steps.
    sendMouse(s.slider, QEvent::MouseMove, handle + QPoint(50, 0));
    EXPECT_EQ(s.slider->value(), 5);
    sendMouse(s.slider, QEvent::MouseMove, handle + QPoint(120, 0));
    EXPECT_EQ(s.slider->value(), 7);
    sendMouse(s.slider, QEvent::MouseMove, QPoint(999, 25));
    EXPECT_EQ(s.slider->value(), 10);
    sendMouse(s.slider, QEvent::MouseMove, QPoint(1, 25));
    EXPECT_EQ(s.slider->value(), 0);
    sendMouse(s.slider, QEvent::MouseButtonRelease, QPoint(1, 25));
    sendMouse(s.slider, QEvent::MouseMove, QPoint(900, 25));
    EXPECT_EQ(s.slider->value(), 0) << "the release disarms the drag";

    // A press away from the handle arms nothing.
    s.slider->grab();
    sendMouse(s.slider, QEvent::MouseButtonPress, s.slider->handleRect().topLeft() + QPoint(60, 5));
    sendMouse(s.slider, QEvent::MouseMove, QPoint(900, 25));
    EXPECT_EQ(s.slider->value(), 0);
}

TEST_F(SliderTest, EmptyRangeOrNarrowSliderNeverDividesByZero)
{
    const struct {
        const char* name;
        int minimum, maximum, value, width;
    } cases[] = {{"minimum equals maximum", 5, 5, 5, 1000}, {"narrower than its fixed parts", 0, 10, 5, 300},
                 {"track of width 0", 0, 10, 5, 390}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShownSlider s(c.minimum, c.maximum, c.value, c.width);
        const QRect handle = s.slider->handleRect();
        EXPECT_EQ(handle.x(), 315 + s.slider->trackMargin()) << "no fill";
        sendMouse(s.slider, QEvent::MouseButtonPress, handle.center());
        sendMouse(s.slider, QEvent::MouseMove, handle.center() + QPoint(200, 0));
        sendMouse(s.slider, QEvent::MouseMove, QPoint(1, 25));
        EXPECT_EQ(s.slider->value(), c.value);
        sendMouse(s.slider, QEvent::MouseButtonRelease, QPoint(1, 25));
        s.slider->grab();
    }
}

TEST_F(SliderTest, ReleaseOverTheValueOpensThePad)
{
    const struct {
        int x;
        bool opens;
    } cases[] = {{134, false}, {135, true}, {214, true}, {215, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        ShownSlider s(0, 100, 50, 1000);
        sendMouse(s.slider, QEvent::MouseButtonRelease, QPoint(c.x, 25));
        EXPECT_EQ(currentEditWidget() == s.slider->valueField(), c.opens);
        EXPECT_EQ(gpNumKeyPad && gpNumKeyPad->isVisible() && gpNumKeyPad->boundEdit() == s.slider->valueField(), c.opens);
        if (c.opens) {
            EXPECT_EQ(gpNumKeyPad->parentWidget(), &s.host) << "placed in the slider's parent";
            EXPECT_EQ(gpNumKeyPad->pos(), QPoint(0, 165));
        }
        s.host.hide();
        delete gpNumKeyPad.data();
        setCurrentEditWidget(nullptr);
    }
}

TEST_F(SliderTest, TypingOnThePadSetsTheValueInRange)
{
    ShownSlider s(10, 100, 50, 1000);
    QSignalSpy changed(s.slider, &Slider::valueChanged);
    sendMouse(s.slider, QEvent::MouseButtonRelease, QPoint(180, 25));
    NumberKeyPad* pad = gpNumKeyPad;
    ASSERT_TRUE(pad);
    EXPECT_EQ(s.slider->value(), 50) << "the field was empty already";
    QTest::mouseClick(pad->buttonGroup()->button(7), Qt::LeftButton);
    EXPECT_EQ(s.slider->value(), 10) << "7 is below the minimum";
    QTest::mouseClick(pad->buttonGroup()->button(3), Qt::LeftButton);
    EXPECT_EQ(s.slider->value(), 73);
    QTest::mouseClick(pad->buttonGroup()->button(0), Qt::LeftButton);
    EXPECT_EQ(s.slider->value(), 100);
    EXPECT_FALSE(changed.isEmpty());

    // Opening the pad again empties the field, which reads as 0: raised to the minimum.
    sendMouse(s.slider, QEvent::MouseButtonRelease, QPoint(180, 25));
    EXPECT_EQ(s.slider->value(), 10);

    s.slider->SetText(QStringLiteral("abc"));
    EXPECT_EQ(s.slider->value(), 10);
    s.slider->SetText(QStringLiteral("3000000000"));
    EXPECT_EQ(s.slider->value(), 100);
}

TEST_F(SliderTest, ResetChangesRangeAndDisarmsTheDrag)
{
    ShownSlider s(0, 10, 5, 1000);
    sendMouse(s.slider, QEvent::MouseButtonPress, s.slider->handleRect().center());
    s.slider->reset(0, 255, 5, 100, QStringLiteral("面积"));
    EXPECT_EQ(s.slider->objectName(), QStringLiteral("面积"));
    EXPECT_EQ(s.slider->minimum(), 0);
    EXPECT_EQ(s.slider->maximum(), 255);
    EXPECT_EQ(s.slider->pageStep(), 5);
    EXPECT_EQ(s.slider->value(), 100);
    sendMouse(s.slider, QEvent::MouseMove, QPoint(999, 25));
    EXPECT_EQ(s.slider->value(), 100);
}

}  // namespace
