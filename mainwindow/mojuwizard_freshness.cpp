// The check's wait for frames taken after the mould opened. GUI thread only.
#include "mainwindow/mojuwizard.h"

#include "core/globals.h"
#include "view/cammerwidget.h"

#include <QTimer>

bool MoJuWizard::checkFramesFresh(int k)
{
    if (manualRound || safetyTrig) {
        // The check runs now on the picture as it is: a wait of this countdown ends here.
        freshFrameWait[k].invalidate();
        return true;
    }
    // A camera counted as lost is waited for too: its check runs once it is back and has sent
    // a frame.
    bool fresh = true;
    for (int c = 0; c < cameraCount; ++c) {
        const CammerWidget* view = cameraViews[c];
        fresh = fresh && (!view || (view->cameraConnected && view->hasFrameSinceCycleStart()));
    }
    if (fresh) {
        freshFrameWait[k].invalidate();
        return true;
    }
    // The countdown stays armed: the ticks go on taking frames (and beating the IO heart) and
    // the countdown's next step asks again.
    if (!freshFrameWait[k].isValid())
        freshFrameWait[k].start();
    if (!delayTimers[k]->isActive())
        delayTimers[k]->start(100);
    if (freshFrameWait[k].hasExpired(CammerWidget::kFrameSilenceLimitMs)) {
        for (int c = 0; c < cameraCount; ++c) {
            if (cameraViews[c] && !cameraViews[c]->hasFrameSinceCycleStart())
                cameraViews[c]->reportFrameSilence();
        }
        freshFrameWait[k].start();
    }
    return false;
}

void MoJuWizard::endFrameWaits()
{
    for (QElapsedTimer& wait : freshFrameWait)
        wait.invalidate();
}
