// The IO lamp row: captions and which lamps show, lamps following the IO port's words, repaints
// only of lamps that changed, and lamps that never act as buttons.
#include "tests/io/ioboard_fixture.h"

#include "io/iostatuswidget.h"
#include "io/iowidgetitem.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <map>
#include <vector>

namespace {

// Counts the paint events of the lamps it watches.
class PaintCounter : public QObject {
public:
    std::map<QObject*, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints[watched];
        return false;
    }
};

// Records whether a press reached it (the bottom bar under a lamp).
class Bar : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class LampRow : public IOPortTest {
protected:
    void SetUp() override
    {
        IOPortTest::SetUp();
        for (int i = 0; i < 5; ++i) {
            ioInputCaptions[i] = QStringLiteral("in%1").arg(i);
            ioOutputCaptions[i] = QStringLiteral("out%1").arg(i);
        }
    }
    void TearDown() override
    {
        controlPort = nullptr;
        for (int i = 0; i < 5; ++i)
            ioInputCaptions[i] = ioOutputCaptions[i] = QString();
        IOPortTest::TearDown();
    }
    void makePort()
    {
        port = std::make_unique<ControlPort>();
        controlPort = port.get();
    }
    // The port takes the board's inputs at the cycle's edge reads.
    void takeInputs(quint32 bits)
    {
        setBoardInputs(bits);
        for (int i = 0; i < 8; ++i)
            port->inputEdge(i);
    }
};

TEST_F(LampRow, CaptionsSizesAndWhichLampsShow)
{
    for (int pulse : { 0, 1 }) {
        params->productNgEjectorPulse = pulse;
        IOStatusWidget_2 row;
        for (int i = 0; i < 10; ++i) {
            IOWidget_Item* in = row.inputLamp(i);
            IOWidget_Item* out = row.outputLamp(i);
            EXPECT_TRUE(in->isInput);
            EXPECT_FALSE(out->isInput);
            EXPECT_EQ(in->index, i);
            EXPECT_EQ(out->size(), QSize(60, 60));
            EXPECT_EQ(in->text(), i < 5 ? QStringLiteral("in%1").arg(i) : QStringLiteral("I-%1").arg(i + 1));
            EXPECT_EQ(out->text(), i < 5 ? QStringLiteral("out%1").arg(i) : QStringLiteral("O-%1").arg(i + 1));
            EXPECT_EQ(in->isVisibleTo(&row), i < 5) << "input " << i;
            EXPECT_EQ(out->isVisibleTo(&row), i < 5 || pulse == 1) << "output " << i << " pulse " << pulse;
        }
        // Inputs first, then outputs, in index order.
        row.show();
        EXPECT_LT(row.inputLamp(4)->x(), row.outputLamp(0)->x());
        EXPECT_EQ(row.inputLamp(1)->x() - row.inputLamp(0)->x(), 63);
    }
}

struct WordCase {
    const char* name;
    std::vector<int> rest;         // rest levels of outputs 0..9
    std::vector<int> active;       // outputs set active
    quint32 boardInputs;           // the board's input bits
    std::vector<int> activeLow;    // inputs with falling-edge polarity
    std::vector<int> inputsOn;     // input lamps expected lit
    std::vector<int> outputsOn;    // output lamps expected lit
};

TEST_F(LampRow, LampsFollowTheIOPortsWords)
{
    const std::vector<int> allRest1(10, 1);
    const std::vector<int> allOut = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    const WordCase cases[] = {
        { "idle machine with rest level 1: every output lit", allRest1, {}, 0, {}, {}, allOut },
        { "output 1 active with rest level 1 goes red", allRest1, { 1 }, 0, {}, {}, { 0, 2, 3, 4, 5, 6, 7, 8, 9 } },
        { "rest level 0: only the active alarm lit", std::vector<int>(10, 0), { 2 }, 0, {}, {}, { 2 } },
        { "mould open and door", allRest1, {}, 0x003, {}, { 0, 1 }, allOut },
        { "input 6 active: its lamp is lit though hidden", allRest1, {}, 0x020, {}, { 5 }, allOut },
        { "falling-edge input lit while the board reads 0", allRest1, {}, 0x000, { 2 }, { 2 }, allOut },
        { "falling-edge input dark while the board reads 1", allRest1, {}, 0x004, { 2 }, {}, allOut },
        { "inputs 9 and 10 have no polarity", allRest1, {}, 0x300, {}, { 8, 9 }, allOut },
    };
    for (const WordCase& c : cases) {
        for (int i = 0; i < 10; ++i)
            params->outputRestState[i] = c.rest[size_t(i)];
        for (int i = 0; i < 8; ++i)
            params->inputPolarity[i] = 0;
        for (int i : c.activeLow)
            params->inputPolarity[i] = 1;
        makePort();
        IOStatusWidget_2 row;
        for (int i : c.active)
            port->setOutput(i, true);
        takeInputs(c.boardInputs);
        row.refresh();
        for (int i = 0; i < 10; ++i) {
            const bool inOn = std::find(c.inputsOn.begin(), c.inputsOn.end(), i) != c.inputsOn.end();
            const bool outOn = std::find(c.outputsOn.begin(), c.outputsOn.end(), i) != c.outputsOn.end();
            EXPECT_EQ(row.inputLamp(i)->on, inOn) << c.name << ": input " << i;
            EXPECT_EQ(row.outputLamp(i)->on, outOn) << c.name << ": output " << i;
        }
        port.reset();
        controlPort = nullptr;
    }
}

TEST_F(LampRow, RefreshesByItselfEvery20Ms)
{
    makePort();
    IOStatusWidget_2 row;
    ASSERT_TRUE(waitUntil([&] { return row.outputLamp(0)->on; }, kPatientWaitMs)) << "first pass after 1 ms";
    takeInputs(0x001);
    EXPECT_TRUE(waitUntil([&] { return row.inputLamp(0)->on; }, kPatientWaitMs));
    port->setOutput(0, true);
    EXPECT_TRUE(waitUntil([&] { return !row.outputLamp(0)->on; }, kPatientWaitMs));
}

TEST_F(LampRow, RepaintsOnlyTheLampsThatChanged)
{
    makePort();
    Bar bar;
    bar.resize(1400, 80);
    auto* row = new IOStatusWidget_2(&bar);
    // As the bottom bar connects it: a published output change shows at once.
    QObject::connect(port.get(), &ControlPort::sigIOChange, row, &IOStatusWidget_2::refresh);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    ASSERT_TRUE(waitUntil([&] { return row->outputLamp(0)->on; }, kPatientWaitMs));
    QTest::qWait(60);

    PaintCounter counter;
    for (int i = 0; i < 10; ++i) {
        row->inputLamp(i)->installEventFilter(&counter);
        row->outputLamp(i)->installEventFilter(&counter);
    }
    QTest::qWait(100);
    EXPECT_TRUE(counter.paints.empty()) << "an idle machine repaints nothing";

    port->setOutput(1, true);
    port->publishOutputs();
    EXPECT_FALSE(row->outputLamp(1)->on) << "not waiting for the timer";
    ASSERT_TRUE(waitUntil([&] { return counter.paints.count(row->outputLamp(1)) > 0; }, kPatientWaitMs))
        << "output lamp 2 was never repainted";
    EXPECT_EQ(counter.paints.size(), 1u) << "only output lamp 2 is repainted";
}

TEST_F(LampRow, LampDrawsGreenOnRedOffAndIsNeverClicked)
{
    Bar bar;
    auto* lamp = new IOWidget_Item(0, false, &bar);
    lamp->setText(QStringLiteral("合模"));
    QImage image(60, 60, QImage::Format_ARGB32);
    for (bool state : { false, true }) {
        lamp->setOn(state);
        image.fill(Qt::black);
        lamp->render(&image);
        EXPECT_EQ(image.pixelColor(30, 18), state ? QColor(Qt::green) : QColor(Qt::red));
        EXPECT_EQ(image.pixelColor(5, 18), QColor(Qt::black)) << "no button face";
    }

    QSignalSpy clicked(lamp, &QPushButton::clicked);
    QSignalSpy pressed(lamp, &QPushButton::pressed);
    bar.show();
    QApplication::setActiveWindow(&bar);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&bar));
    QTest::mouseClick(lamp, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_EQ(bar.presses, 1) << "the press goes on to the bar";
    EXPECT_FALSE(lamp->hasFocus()) << "a lamp does not take the focus from an edited field";
}

}  // namespace
