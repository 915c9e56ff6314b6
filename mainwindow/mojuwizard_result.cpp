// Evaluation of a checked round. Only the hand-over is here yet: the evaluation itself (releases,
// re-checks, alarms, pulses, counting and result pictures) is built on its own.
#include "mainwindow/mojuwizard.h"

void MoJuWizard::CheckNG()
{
    CheckNG(false);
}

void MoJuWizard::CheckNG(bool isClearNG)
{
    Q_UNUSED(isClearNG);
    // A manual capture's round is over once it has been handed here.
    manualRound = false;
}
