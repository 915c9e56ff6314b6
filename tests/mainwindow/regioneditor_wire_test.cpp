// Clearing an NG alarm from the region editor, read on the wire of the IO board simulator: the
// safety door with a clean picture, and skipping the mould.
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
    // A part left in the cavity raises the NG alarm of the cavity check.
    CycleCamera* raisePartLeftAlarm()
    {
        build();
        addPartRegion(0, 1);
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
    ASSERT_TRUE(waitFor([] { return pictures(1, 2, "NG").size() == 2; }, 5000))
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
    EXPECT_TRUE(waitFor([] { return pictures(1, 2, "NG").size() == 1; }, 5000)) << "the skipped mould's picture";
}
