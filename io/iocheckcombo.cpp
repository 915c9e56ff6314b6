#include "io/iocheckcombo.h"

#include "core/globals.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Captions that do not fit a box take a smaller text size, not less room.
constexpr int kSmallestPixels = 14;

// Text ids of the cut modes: cut all, cut self, do not cut.
constexpr int kCutModeTexts[] = { 474, 475, 523 };

void paintBoxText(CheckBox* box, const QColor& colour)
{
    QPalette p = box->palette();
    p.setColor(QPalette::All, QPalette::WindowText, colour);
    box->setPalette(p);
}

}  // namespace

IOCheckComBO::IOCheckComBO(QWidget* parent, const QString& caption, int boxes)
    : QWidget(parent), m_boxCount(std::clamp(boxes, 0, kMaxBoxes))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    // The row is always as wide as the boxes it shows.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    const QFont font(QLatin1String(kKitFontFamily), 28);

    if (!caption.isEmpty()) {
        m_caption = new QLabel(caption, this);
        m_caption->setFont(font);
        layout->addWidget(m_caption);
    }

    m_triggerCombo = new ComboBox(this);
    m_triggerCombo->setFixedSize(150, 40);
    setComboFont(m_triggerCombo, font);
    layout->addWidget(m_triggerCombo);
    connect(m_triggerCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOCheckComBO::SlotChangeTrigin);

    // Boxes 8 and 9 never show: a cycle has at most 8 detections, so they need no slot.
    using Slot = void (IOCheckComBO::*)(int);
    static const Slot kBoxSlots[8] = { &IOCheckComBO::Slotclick0, &IOCheckComBO::Slotclick1,
                                       &IOCheckComBO::Slotclick2, &IOCheckComBO::Slotclick3,
                                       &IOCheckComBO::Slotclick4, &IOCheckComBO::Slotclick5,
                                       &IOCheckComBO::Slotclick6, &IOCheckComBO::Slotclick7 };
    for (int j = 0; j < m_boxCount; ++j) {
        m_boxes[j] = new CheckBox(this, QString());
        m_boxes[j]->setFixedSize(155, 40);
        layout->addWidget(m_boxes[j]);
        if (j < 8)
            connect(m_boxes[j], &QCheckBox::stateChanged, this, kBoxSlots[j]);
    }

    m_cutCombo = new ComboBox(this);
    m_cutCombo->setFixedSize(185, 40);
    setComboFont(m_cutCombo, font);
    for (int id : kCutModeTexts)
        m_cutCombo->addItem(tableText(id));
    fitComboEntries(m_cutCombo, kSmallestPixels);
    layout->addWidget(m_cutCombo);
    connect(m_cutCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOCheckComBO::SlotChangeCutMode);
}

void IOCheckComBO::fillTriggerCombo(int count, int first)
{
    const QSignalBlocker blocker(m_triggerCombo);
    m_triggerCombo->clear();
    firstInput = first;
    if (first < count) {
        // A stored trigger outside the offered inputs is brought into them, so the selected item
        // is always one of the list.
        trigger = std::clamp(trigger, first, count - 1);
        for (int input = first; input < count; ++input)
            m_triggerCombo->addItem(QString());
        m_triggerCombo->setCurrentIndex(trigger - first);
    } else {
        firstInput = trigger = count - 1;
        m_triggerCombo->addItem(QString());
        m_triggerCombo->setCurrentIndex(0);
    }
    relabelTriggerItems();
    for (int j = 0; j < m_boxCount; ++j)
        m_boxes[j]->setVisible(j < count);
}

void IOCheckComBO::setCheckEnabled(int column, bool enabled)
{
    if (column < 0 || column >= m_boxCount)
        return;
    CheckBox* box = m_boxes[column];
    if (!enabled && box->isCheckedState()) {
        const QSignalBlocker blocker(box);
        box->setCheckedState(false);
    }
    box->setCheckable(enabled);
    paintBoxText(box, enabled ? QColor(Qt::yellow) : QColor(Qt::gray));
}

void IOCheckComBO::setNames(const QStringList& inputNames, const QStringList& boxLabels)
{
    m_inputNames = inputNames;
    relabelTriggerItems();
    for (int j = 0; j < m_boxCount && j < boxLabels.size(); ++j) {
        m_boxes[j]->setText(boxLabels[j]);
        fitBoxCaption(m_boxes[j], kSmallestPixels);
    }
}

void IOCheckComBO::showCutMode(int mode)
{
    const QSignalBlocker blocker(m_cutCombo);
    m_cutCombo->setCurrentIndex(mode);
}

void IOCheckComBO::relabelTriggerItems()
{
    for (int k = 0; k < m_triggerCombo->count(); ++k) {
        const int input = firstInput + k;
        m_triggerCombo->setItemText(k, input >= 0 && input < m_inputNames.size() ? m_inputNames[input] : QString());
    }
    fitComboEntries(m_triggerCombo, kSmallestPixels);
}

void IOCheckComBO::SlotChangeTrigin(int index)
{
    if (index < 0)
        return;
    trigger = firstInput + index;
    emit changeTrigin(row, trigger);
}

void IOCheckComBO::SlotChangeCutMode(int mode)
{
    emit cutModeChosen(row, mode);
}

void IOCheckComBO::Slotclick0(int state) { emit clickeCheckBox(row, 0, state); }
void IOCheckComBO::Slotclick1(int state) { emit clickeCheckBox(row, 1, state); }
void IOCheckComBO::Slotclick2(int state) { emit clickeCheckBox(row, 2, state); }
void IOCheckComBO::Slotclick3(int state) { emit clickeCheckBox(row, 3, state); }
void IOCheckComBO::Slotclick4(int state) { emit clickeCheckBox(row, 4, state); }
void IOCheckComBO::Slotclick5(int state) { emit clickeCheckBox(row, 5, state); }
void IOCheckComBO::Slotclick6(int state) { emit clickeCheckBox(row, 6, state); }
void IOCheckComBO::Slotclick7(int state) { emit clickeCheckBox(row, 7, state); }
