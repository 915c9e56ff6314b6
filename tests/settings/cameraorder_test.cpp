// The camera order dialog over the demo's SN.db with the main window's two simulated cameras:
// what it refuses, what it stores, and who restarts.
#include "cameras/camerainterface.h"
#include "cameras/cameradiscovery.h"
#include "settings/systemparamdialog.h"
#include "settings/widgetchangecamera.h"
#include "tests/settings/settingsfixture.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"

namespace {

class CameraOrderTest : public SettingsFixture {
protected:
    // Rows serialNB0..2 of SN.db, read on a connection of the test's own.
    static QStringList storedSerials()
    {
        QStringList serials;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sn"));
            db.setDatabaseName(QStringLiteral("SN.db"));
            EXPECT_TRUE(db.open());
            for (int n = 0; n < 3; ++n) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("select value from sysparam where name=?"));
                q.addBindValue(QStringLiteral("serialNB%1").arg(n));
                EXPECT_TRUE(q.exec() && q.next());
                serials << q.value(0).toString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("sn"));
        return serials;
    }

    // Picks the one-based positions and presses confirm, answering the boxes that follow.
    static QStringList confirmOrder(WidgetChangeCamera& dialog, const std::vector<int>& positions,
                                    std::vector<int> answers)
    {
        for (size_t k = 0; k < positions.size(); ++k)
            dialog.orderBoxes()[int(k)]->setCurrentIndex(positions[k] - 1);
        ModalScript script(std::move(answers));
        dialog.confirmButton()->click();
        return script.texts;
    }

    static QString serialOf(int camera) { return CameraDiscovery::openedCameras().at(camera)->serial(); }
};

TEST_F(CameraOrderTest, APositionChosenTwiceIsRefusedAndNothingIsSaved)
{
    ASSERT_EQ(cameraCount, 2);
    const QByteArray before = digest(QStringLiteral("SN.db"));
    WidgetChangeCamera dialog(window);
    ASSERT_EQ(dialog.orderBoxes().size(), 2);
    const QStringList shown = confirmOrder(dialog, {2, 2}, {0});
    EXPECT_EQ(shown, QStringList{tableText(361).arg(2)});
    EXPECT_EQ(digest(QStringLiteral("SN.db")), before);
}

TEST_F(CameraOrderTest, SettingsDialogSavesTheNewOrderThenAsksToRestart)
{
    SystemParamDialog settings;
    WidgetChangeCamera dialog(&settings);
    // Each opening starts from the order the cameras have now.
    EXPECT_EQ(dialog.orderBoxes()[0]->currentIndex(), 0);
    EXPECT_EQ(dialog.orderBoxes()[1]->currentIndex(), 1);
    // The restart is declined: the new order waits for the next start.
    const QStringList shown = confirmOrder(dialog, {2, 1}, {0});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(storedSerials(), (QStringList{serialOf(1), serialOf(0), "0"}));
    EXPECT_TRUE(logRemarks().contains(QStringLiteral("Save SN 1: %1").arg(serialOf(1))));
}

TEST_F(CameraOrderTest, HiddenInstanceOfTheMainWindowSavesAndClosesWithoutRestart)
{
    ASSERT_NE(window->cameraOrderDialog, nullptr);
    EXPECT_FALSE(window->cameraOrderDialog->isVisible());
    window->cameraOrderDialog->show();
    const QStringList shown = confirmOrder(*window->cameraOrderDialog, {2, 1}, {});
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(window->cameraOrderDialog->isVisible());
    EXPECT_EQ(storedSerials(), (QStringList{serialOf(1), serialOf(0), "0"}));
}

}  // namespace
