// The settings wizard as the main window builds it, over the settings fixture's working
// directory: pictures of the demo, a service login, and helpers to reach its controls.
#pragma once

#include "core/startup.h"
#include "settings/paramfield.h"
#include "settings/wizardparawidget.h"
#include "tests/settings/settingsfixture.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/editbox.h"

#include <QDir>

class WizardFixture : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        if (HasFatalFailure())
            return;
        wizard = window->wizardWidget;
        ASSERT_NE(wizard, nullptr);
        window->loginLevel = 2;
        // The demo record's exposure 0 lies below the wizard's range (1..100 ms), which the
        // loaded box would clamp into a change of its own.
        for (int& exposure : activeParams->exposure)
            exposure = 10;
        ASSERT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));
        // The wizard loads itself when it is shown, which needs a shown main window.
        window->show();
    }

    // The demo's pictures under ./images, loaded as at start-up.
    static void loadPictures()
    {
        QDir().mkpath(QStringLiteral("images"));
        const QDir source(QStringLiteral(MONITOR_SOURCE_DIR "/samples/images"));
        for (const QString& file : source.entryList(QDir::Files))
            QFile::copy(source.filePath(file), QStringLiteral("images/") + file);
        loadSharedPixmaps();
    }

    // Shows the wizard as the hardware page's confirm does: on a fresh edit copy.
    void showWizard()
    {
        *editParams = *activeParams;
        wizard->show();
    }

    // Shows the wizard on `page` (the page slots of the bar).
    void goToPage(int page)
    {
        switch (page) {
        case WizardParaWidget::CameraPage:
            wizard->SlotToCamera();
            break;
        case WizardParaWidget::IOPage:
            wizard->SlotToIO();
            break;
        case WizardParaWidget::AdvancedPage:
            wizard->SlotToAdvance();
            break;
        default:
            wizard->SlotToCommon();
            break;
        }
    }

    WizardParaWidget* wizard = nullptr;
};
