#include "io/iostatuswidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "io/iothread.h"
#include "io/iowidgetitem.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

// Lamps 0..4 carry the captions the parameter loader chose; the rest their terminal number.
QString lampCaption(int i, bool isInput)
{
    if (i < 5)
        return isInput ? ioInputCaptions[i] : ioOutputCaptions[i];
    return QString(isInput ? "I-%1" : "O-%1").arg(i + 1);
}

}  // namespace

IOStatusWidget_2::IOStatusWidget_2(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_boardSilent = new QLabel(tr("IO板无应答"), this);
    m_boardSilent->setObjectName(QStringLiteral("boardSilentNotice"));
    m_boardSilent->setStyleSheet(
        QStringLiteral("color:yellow;font-size:16px;font-weight:bold;background:transparent;padding:0px 8px;"));
    m_boardSilent->setAlignment(Qt::AlignCenter);
    m_boardSilent->hide();
    row->addWidget(m_boardSilent);
    auto* inputs = new QHBoxLayout;
    auto* outputs = new QHBoxLayout;
    for (QHBoxLayout* group : { inputs, outputs }) {
        group->setContentsMargins(0, 0, 0, 0);
        group->setSpacing(3);
        row->addLayout(group);
    }

    // Outputs 5..9 are the region-mapped outputs, in use only with productNgEjectorPulse.
    const bool regionOutputs = activeParams && activeParams->productNgEjectorPulse != 0;
    for (int i = 0; i < ControlPort::kIOCount; ++i) {
        inputLamps[i] = new IOWidget_Item(i, true, this);
        inputLamps[i]->setCaption(lampCaption(i, true));
        inputLamps[i]->setVisible(i < 5);
        inputs->addWidget(inputLamps[i]);

        outputLamps[i] = new IOWidget_Item(i, false, this);
        outputLamps[i]->setCaption(lampCaption(i, false));
        outputLamps[i]->setVisible(i < 5 || regionOutputs);
        outputs->addWidget(outputLamps[i]);
    }

    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &IOStatusWidget_2::refreshAndRearm);
    m_refreshTimer.start(1);
}

void IOStatusWidget_2::refresh()
{
    if (!controlPort)
        return;
    const IOThread* thread = controlPort->ioThread();
    showBoardAnswering(!thread || thread->boardAnswering());
    for (int i = 0; i < ControlPort::kIOCount; ++i) {
        inputLamps[i]->setOn(controlPort->readBit(false, i));
        outputLamps[i]->setOn(controlPort->readBit(true, i));
    }
}

void IOStatusWidget_2::showBoardAnswering(bool answering)
{
    if (answering == m_boardShownAnswering)
        return;
    m_boardShownAnswering = answering;
    m_boardSilent->setVisible(!answering);
    for (int i = 0; i < ControlPort::kIOCount; ++i) {
        inputLamps[i]->setKnown(answering);
        outputLamps[i]->setKnown(answering);
    }
}

void IOStatusWidget_2::refreshAndRearm()
{
    refresh();
    m_refreshTimer.start(20);
}
