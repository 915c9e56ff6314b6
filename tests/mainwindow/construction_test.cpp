// The main window as start-up builds it without cameras: the question about the stored serial
// numbers, the two simulated cameras and their views, the folders, the IO outputs it starts
// with, the shared boxes and pads, and the detection state commands.
#include "cameras/camerainterface.h"
#include "core/parametermanager.h"
#include "io/controlport.h"
#include "records/savefialimagethread.h"
#include "tests/mainwindow/recordsfixture.h"
#include "view/cammerwidget.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "widgets/inputbox.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <cstring>

namespace {

class Construction : public RecordsFixture {
protected:
    // Answers the next question box with OK or Cancel and notes its text and size.
    void answerQuestion(bool ok)
    {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [this, timer, ok]() {
            auto* box = qobject_cast<tipbox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            questionText = box->text();
            questionSize = box->size();
            ++questions;
            timer->stop();
            timer->deleteLater();
            if (ok)
                box->acceptDialog();
            else
                box->rejectDialog();
        });
        timer->start(20);
    }
    MoJuWizard* buildAnswering(bool ok)
    {
        answerQuestion(ok);
        window = new MoJuWizard;
        return window;
    }
    // Output i is at its active level (the rest level inverted).
    bool outputActive(int i) const { return controlPort->readBit(true, i) != (params->outputRestState[i] != 0); }

    QString questionText;
    QSize questionSize;
    int questions = 0;
};

TEST_F(Construction, WithoutCamerasTheOperatorIsAskedThenTwoSimulatedCamerasRun)
{
    std::strcpy(cameraSerials[0], "KEEP-ME");
    buildAnswering(false);

    EXPECT_EQ(questions, 1);
    EXPECT_EQ(questionText, tableText(134));
    // The question covers the whole screen.
    EXPECT_EQ(questionSize, QSize(screenWidth, screenHeight));
    // Declined: the stored serial numbers stay.
    EXPECT_STREQ(cameraSerials[0], "KEEP-ME");

    EXPECT_EQ(simulatedCameraFlag, 1);
    ASSERT_EQ(cameraCount, 2);
    for (int c = 0; c < 2; ++c) {
        const CammerWidget* view = window->cameraViews[c];
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->cameraIndex, c);
        EXPECT_TRUE(view->simulated);
        EXPECT_EQ(view->imageWidth, 1920);
        EXPECT_EQ(view->imageHeight, 1080);
        EXPECT_FALSE(view->colourFrames);
        EXPECT_NE(view->engine, nullptr);
        EXPECT_TRUE(view->grabbing);
        // Memory follows the templates that exist: the generated template 0 and nothing else.
        for (int d = 0; d < detectsPerCamera; ++d) {
            EXPECT_EQ(view->validTemplateCount[d], 1);
            for (size_t n = 1; n < view->templates[d].size(); ++n)
                EXPECT_TRUE(view->templates[d][n].empty());
        }
    }
    EXPECT_EQ(window->cameraViews[2], nullptr);
    EXPECT_EQ(window->shownCamera, cameraCount);
}

TEST_F(Construction, AcceptedQuestionClearsTheStoredSerialNumbers)
{
    // SN.db as the parameter store holds it open, with the old numbers.
    ParameterManager* store = ParameterManager::instance();
    {
        QSqlDatabase sn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("construction-sn"));
        sn.setDatabaseName(QStringLiteral("SN.db"));
        ASSERT_TRUE(sn.open());
        QSqlQuery q(sn);
        ASSERT_TRUE(q.exec(QStringLiteral("create table sysparam(name text primary key, value text)")));
        for (int n = 0; n < 8; ++n)
            ASSERT_TRUE(q.exec(QStringLiteral("insert into sysparam values('serialNB%1', 'OLD%1')").arg(n)));
        store->dbT = sn;
        store->queryT = QSqlQuery(sn);
    }
    std::strcpy(cameraSerials[3], "OLD-SERIAL");
    buildAnswering(true);
    EXPECT_EQ(questions, 1);
    for (int n = 0; n < 8; ++n)
        EXPECT_STREQ(cameraSerials[n], "0") << n;
    {
        QSqlQuery q(store->dbT);
        ASSERT_TRUE(q.exec(QStringLiteral("select count(*) from sysparam where value='0'")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 8);
    }
    store->queryT = QSqlQuery();
    store->dbT.close();
    store->dbT = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("construction-sn"));
    // Start-up goes on with the simulated cameras all the same; the operation log has the
    // cleared positions, then the start.
    EXPECT_EQ(cameraCount, 2);
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")),
              QStringLiteral("Save SN 1: 0\nSave SN 2: 0\n程序启动，相机数2"));
}

TEST_F(Construction, FoldersOfEveryCameraAndAllEightDetects)
{
    build();
    for (int c = 1; c <= 2; ++c) {
        for (int d = 1; d <= 8; ++d) {
            SCOPED_TRACE(QStringLiteral("camera %1 detect %2").arg(c).arg(d).toStdString());
            const int index = (c - 1) * 16 + (d - 1) * 2;
            EXPECT_TRUE(window->imageDirs[index].exists());
            EXPECT_TRUE(window->imageDirs[index + 1].exists());
            EXPECT_EQ(QDir::cleanPath(window->imageDirs[index].path()), QStringLiteral("alarmimage/camera%1/detect%2/NG").arg(c).arg(d));
            EXPECT_EQ(QDir::cleanPath(window->imageDirs[index + 1].path()), QStringLiteral("alarmimage/camera%1/detect%2/OK").arg(c).arg(d));
            EXPECT_TRUE(QDir(QStringLiteral("cammer%1%2").arg(c).arg(d)).exists());
            EXPECT_TRUE(QDir(QStringLiteral("originalimage/cammer%1%2").arg(c).arg(d)).exists());
            EXPECT_EQ(window->recState[c - 1][d - 1], 0);
        }
    }
    EXPECT_FALSE(QDir(QStringLiteral("alarmimage/camera3")).exists());
    EXPECT_FALSE(QDir(QStringLiteral("cammer31")).exists());
    EXPECT_TRUE(QDir(QStringLiteral("RECORD")).exists());
    EXPECT_TRUE(QDir(QStringLiteral("ResStatistics")).exists());
}

TEST_F(Construction, DetectionStartsWithTheOutputsTheParametersAskFor)
{
    const struct {
        const char* name;
        int clampCutAfterCavityOk;
        int clampPulse;
        int ejectorOffWhenClamping;
        int separateSignals;
        int ejectorCutAfterProductOk;
        int ejectorPulse;
        bool clampCut;
        bool ejectorCut;
    } cases[] = {
        {"plain machine", 0, 0, 0, 0, 0, 0, false, false},
        {"timed clamp cut after cavity OK", 1, 5, 0, 0, 0, 0, true, false},
        {"clamp cut without a pulse length", 1, 0, 0, 0, 0, 0, false, false},
        {"ejector cut while clamping", 0, 0, 1, 0, 0, 0, false, true},
        {"separate signals, timed ejector cut", 0, 0, 0, 1, 1, 3, false, true},
        {"separate signals without ejector pulse", 0, 0, 0, 1, 1, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        params->clampCutAfterCavityOk = c.clampCutAfterCavityOk;
        params->clampPulse = c.clampPulse;
        params->ejectorOffWhenClamping = c.ejectorOffWhenClamping;
        params->separateDetectSignals = c.separateSignals;
        params->ejectorCutAfterProductOk = c.ejectorCutAfterProductOk;
        params->ejectorPulse = c.ejectorPulse;
        build();
        EXPECT_EQ(outputActive(0), c.clampCut);
        EXPECT_EQ(outputActive(1), c.ejectorCut);
        EXPECT_FALSE(outputActive(2));
        EXPECT_EQ(window->runState, 1);
        EXPECT_EQ(window->alarmState, 0);
        EXPECT_EQ(window->phase, 3);
        EXPECT_EQ(window->manualTrig, detectsPerCamera);
        EXPECT_TRUE(window->runTimer->isSingleShot());
        EXPECT_TRUE(window->fpsTimer->isActive());
        delete window;
        window = nullptr;
        mainWindow = nullptr;
        controlPort = nullptr;
    }
}

TEST_F(Construction, StoppingClearsTheRunningCountdownsAndStartingResetsTheResults)
{
    build();
    params->clampOffWhenStopped = 1;
    window->curDet = 1;
    window->pendingCams[0] = 3;
    window->pendingCams[1] = 3;
    window->delayTimers[1]->start();
    window->remaining[1] = 1.5f;
    window->remaining[0] = 0.7f;  // its countdown is not running
    window->StopDetect();
    EXPECT_EQ(window->runState, 3);
    EXPECT_TRUE(outputActive(0));
    EXPECT_EQ(window->pendingCams[1], 0);
    EXPECT_EQ(window->pendingCams[0], 3);
    EXPECT_FALSE(window->delayTimers[1]->isActive());
    EXPECT_EQ(window->remaining[1], 0.0f);
    EXPECT_EQ(window->remaining[0], 0.7f);

    // Without the parameter, stopping leaves the clamp at rest; SetStopDetect touches no output.
    params->clampOffWhenStopped = 0;
    window->StopDetect();
    EXPECT_FALSE(outputActive(0));
    controlPort->setOutput(2, true);
    window->SetStopDetect();
    EXPECT_TRUE(outputActive(2));

    CammerWidget* view = window->cameraViews[1];
    view->detectOk = view->imageRoisOk = view->tempRoisOk = false;
    view->roiOk[60] = 0;
    view->roiValue[60] = 42;
    view->roiOk[120] = 0;  // detect 2: not in use on a standard machine
    window->alarmState = 2;
    window->retry[0] = window->retry[1] = 2;
    window->reDetectPending = 1;
    window->StartDetect();
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(outputActive(2));
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_EQ(window->retry[0] + window->retry[1] + window->reDetectPending, 0);
    EXPECT_TRUE(view->detectOk && view->imageRoisOk && view->tempRoisOk);
    EXPECT_EQ(view->roiOk[60], 1);
    EXPECT_EQ(view->roiValue[60], 0);
    EXPECT_EQ(view->roiOk[120], 0);
    EXPECT_EQ(window->remaining[0], 0.0f);
}

TEST_F(Construction, SharedBoxesPadsAndPictureWriterAreReady)
{
    params->cameraEnabled[1] = 0;
    build();
    ASSERT_TRUE(sharedWarnbox);
    EXPECT_FALSE(sharedWarnbox->isVisible());
    ASSERT_TRUE(sharedTipbox);
    EXPECT_FALSE(sharedTipbox->isVisible());
    EXPECT_TRUE(sharedTipbox->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(sharedInputbox);
    EXPECT_EQ(sharedInputbox->parentWidget(), window);
    ASSERT_TRUE(gpNumberInput);
    EXPECT_EQ(gpNumberInput->parentWidget(), window);
    EXPECT_EQ(gpNumCharInput->parentWidget(), window);
    // A pad that goes away is made anew.
    delete gpNumberInput.data();
    EXPECT_TRUE(gpNumberInput);

    // A disabled camera's cell is hidden; the views are those of the camera area.
    ASSERT_NE(window->cameraBox, nullptr);
    EXPECT_FALSE(window->cameraBox->dataWidgetAt(0)->isHidden());
    EXPECT_TRUE(window->cameraBox->dataWidgetAt(1)->isHidden());
    for (int c = 0; c < cameraCount; ++c)
        EXPECT_EQ(window->cameraViews[c], window->cameraBox->cammerWidgetAt(c));

    ASSERT_NE(saveFialImageThread, nullptr);
    EXPECT_TRUE(saveFialImageThread->isRunning());
    for (int c = 0; c < 8; ++c) {
        for (int d = 0; d < 8; ++d) {
            for (int s = 0; s < 2; ++s) {
                EXPECT_EQ(saveImageBuffers[c][d][s], nullptr);
                EXPECT_EQ(saveImageFlags[c][d][s], 0);
            }
        }
    }
}

}  // namespace
