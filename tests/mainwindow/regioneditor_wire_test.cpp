// Clearing an NG alarm from the region editor, read on the wire of the IO board simulator: the
// safety door with a clean picture, skipping the mould, and a mould opening that came during the
// alarm and waits for its check when the alarm is lifted.
#include "tests/mainwindow/cyclefixture.h"
#include "tests/settings/settingsfixture.h"

#include "core/texttable.h"
#include "records/saveimagequeue.h"
#include "view/drawroiwidget.h"

#include <QDir>
#include <QPushButton>

namespace {

QStringList pictures(int camera, int detect, const char* folder)
{
    return QDir(QStringLiteral("./alarmimage/camera%1/detect%2/%3").arg(camera).arg(detect).arg(QLatin1String(folder)))
        .entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

class AlarmClearingTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        fillTextTable();
        currentLanguage = 0;
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        clearResultPictures();
        params->productCheckEnabled = 0;
        params->ngImagesKept = 10;
        params->okImagesKept = 10;
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        clearResultPictures();
        imageSource = -1;
    }
    // A part left in the cavity raises the NG alarm of the cavity check (camera 1 sees it).
    CycleCamera* raisePartLeftAlarm(int cameras = 1)
    {
        build(cameras);
        for (int c = 0; c < cameras; ++c)
            addPartRegion(c, 1);
        CycleCamera* camera = CycleCamera::opened().front();
        camera->setFrame(partLeftInCavity());
        setInput(0, true);
        EXPECT_TRUE(waitFor([this] { return activeOnBoard(2) && window->alarmState == 2; }, kPatientWaitMs)) << "NG alarm";
        setInput(0, false);
        EXPECT_TRUE(activeOnBoard(0)) << "clamp prohibited";
        EXPECT_EQ(imageSource, 1) << "the editor opens on the live picture";
        return camera;
    }
};

// The clamp's level in each output word, in order: true = prohibited (active level).
class ClampLevels {
public:
    explicit ClampLevels(int restLevel) : m_rest(restLevel) {}
    void add(quint32 word) { m_prohibited << (int(word & 1u) != m_rest); }
    // A permission that a later word withdraws: what a machine closing on it would see.
    bool permitThenProhibit() const
    {
        bool permitted = false;
        for (bool prohibited : m_prohibited) {
            if (prohibited && permitted)
                return true;
            permitted = permitted || !prohibited;
        }
        return false;
    }
    QString text() const
    {
        QString t;
        for (bool prohibited : m_prohibited)
            t += prohibited ? QLatin1Char('P') : QLatin1Char('-');
        return t;
    }

private:
    int m_rest;
    QList<bool> m_prohibited;
};

enum class Lift { SkipAll, SkipOneCamera, ReCheck, SafetyDoor };

struct LiftCase {
    const char* name;
    Lift lift;
    int cameras;
    bool openingDuringAlarm;
    // That opening is checked after the lift (the door drops it: its own re-check decides).
    bool openingChecked;
};

void PrintTo(const LiftCase& c, std::ostream* out)
{
    *out << c.name;
}

class AlarmLiftTest : public AlarmClearingTest, public ::testing::WithParamInterface<LiftCase> {};

}  // namespace

TEST_F(AlarmClearingTest, SafetyDoorWithACleanPictureLiftsTheAlarmAndSavesTheNgPicturePair)
{
    CycleCamera* camera = raisePartLeftAlarm();
    // The operator takes the part out and opens and closes the safety door.
    camera->setFrame(emptyCavity());
    waitFrameTaken(camera);
    pulseInput(1);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(2) && !activeOnBoard(0); }, kPatientWaitMs))
        << "alarm and clamp back at rest";
    EXPECT_NE(window->alarmState, 2);
    EXPECT_EQ(imageSource, -1) << "the editor closed";
    // The NG picture with its clearing note and the re-checked picture are kept together.
    ASSERT_TRUE(waitFor([] { return pictures(1, 2, "NG").size() == 2; }, kPatientWaitMs))
        << "the NG picture and the re-checked picture are written";
}

TEST_F(AlarmClearingTest, SkippingTheMouldReleasesTheClamp)
{
    raisePartLeftAlarm();
    ModalScript script({1});
    window->regionPanel->pCButtonNoCheckCur->click();
    EXPECT_EQ(script.texts, QStringList{tableText(105).arg(1)});
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0) && !activeOnBoard(2); }, kPatientWaitMs)) << "clamp released";
    EXPECT_NE(window->alarmState, 2);
    EXPECT_TRUE(waitFor([] { return pictures(1, 2, "NG").size() == 1; }, kPatientWaitMs)) << "the skipped mould's picture";
}

// After an alarm is lifted, the clamp permission is never withdrawn again within the same mould
// opening: with an opening held from the alarm, the clamp waits for that opening's check; without
// one (or after the safety door, which drops it), the lift permits it at once.
TEST_P(AlarmLiftTest, ClampIsNotPermittedAndWithdrawnWithinOneMouldOpening)
{
    const LiftCase& c = GetParam();
    CycleCamera* camera = raisePartLeftAlarm(c.cameras);
    window->saveAllFlag = true;
    const int rest = params->outputRestState[0] != 0 ? 1 : 0;

    if (c.openingDuringAlarm) {
        // The machine opens the mould during the alarm and waits for the clamp.
        ASSERT_TRUE(waitFor([] { return !inputOnHost(0); }, kPatientWaitMs)) << "the mould closed after the alarm";
        setInput(0, true);
        ASSERT_TRUE(waitFor([this] { return window->inEvt[0]; }, kPatientWaitMs)) << "the opening is taken";
    }
    // The part is taken out: every grab from now on shows the empty cavity.
    const int grabsBefore = camera->grabs;
    camera->partLeftRule = [] { return false; };
    ASSERT_TRUE(waitFor([&] { return camera->grabs > grabsBefore; }, kPatientWaitMs));

    // Every output word the monitor publishes, and every one the board receives, from here on.
    ClampLevels published(rest);
    const QMetaObject::Connection watch = QObject::connect(controlPort, &ControlPort::sigIOChange,
                                                           [&] { published.add(controlPort->outputs()); });
    const auto since = std::chrono::steady_clock::now();
    const int checksBefore = checksRun(0, 1);

    switch (c.lift) {
    case Lift::SkipAll: {
        ModalScript script({1});
        window->regionPanel->pCButtonNoCheckCur->click();
        EXPECT_EQ(script.texts, QStringList{tableText(102)});
        break;
    }
    case Lift::SkipOneCamera: {
        ModalScript script({1});
        window->regionPanel->pCButtonNoCheckCur->click();
        EXPECT_EQ(script.texts, QStringList{tableText(105).arg(1)});
        break;
    }
    case Lift::ReCheck:
        window->regionPanel->pCButtonReCheck->click();
        break;
    case Lift::SafetyDoor:
        pulseInput(1);
        break;
    }
    if (c.lift != Lift::SafetyDoor) {
        // The lift has published its outputs when it returns.
        EXPECT_NE(window->alarmState, 2);
        EXPECT_EQ((controlPort->outputs() & 1u) != unsigned(rest), c.openingChecked) << "clamp prohibited after the lift";
    }

    const int liftChecks = c.lift == Lift::ReCheck || c.lift == Lift::SafetyDoor ? 1 : 0;
    const int checksAfter = checksBefore + liftChecks + (c.openingChecked ? 1 : 0);
    // The board takes the clamp's and the alarm's outputs in whatever commands the port sends
    // them: both are waited for.
    ASSERT_TRUE(waitFor(
        [&] {
            return window->alarmState != 2 && checksRun(0, 1) >= checksAfter && !activeOnBoard(0) && !activeOnBoard(2);
        },
        kPatientWaitMs))
        << "alarm lifted, the clamp permitted and the alarm output at rest on the board";
    EXPECT_EQ(checksRun(0, 1), checksAfter);
    EXPECT_FALSE(window->inEvt[0]) << "no opening waits any more";
    QObject::disconnect(watch);

    EXPECT_FALSE(published.permitThenProhibit()) << "published: " << published.text().toStdString();
    ClampLevels onTheBoard(rest);
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        for (const OutputCommand& command : outputCommands)
            if (command.at >= since)
                onTheBoard.add(command.value);
    }
    EXPECT_FALSE(onTheBoard.permitThenProhibit()) << "on the board: " << onTheBoard.text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lifts, AlarmLiftTest,
    ::testing::Values(LiftCase{"SkipAllWithAnOpeningHeld", Lift::SkipAll, 2, true, true},
                      LiftCase{"SkipTheOneCameraWithAnOpeningHeld", Lift::SkipOneCamera, 1, true, true},
                      LiftCase{"ReCheckWithAnOpeningHeld", Lift::ReCheck, 1, true, true},
                      LiftCase{"SafetyDoorDropsTheOpening", Lift::SafetyDoor, 1, true, false},
                      LiftCase{"SkipAllWithNothingHeld", Lift::SkipAll, 2, false, false},
                      LiftCase{"ReCheckWithNothingHeld", Lift::ReCheck, 1, false, false}),
    [](const ::testing::TestParamInfo<LiftCase>& info) { return std::string(info.param.name); });
