#include "io/iowidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/iocheckcombo.h"
#include "io/ionames.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"
#include "widgets/warnbox.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStringList>

#include <algorithm>

namespace {

constexpr int kWidth = 1800;
constexpr int kHeight = 950;
// Text ids: the title, "2次检测" (3..8 follow), the last detection owns no column, confirm, reset.
constexpr int kTitleText = 499;
constexpr int kFirstCountText = 501;
constexpr int kNoLastColumnText = 512;
constexpr int kConfirmText = 121;
constexpr int kResetText = 497;

}  // namespace

IOWidget::IOWidget(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    if (parentWidget())
        move((parentWidget()->width() - kWidth) / 2, (parentWidget()->height() - kHeight) / 2);

    std::fill(std::begin(columnRow), std::end(columnRow), -1);
    std::fill(std::begin(cutMode), std::end(cutMode), 0);
    for (int i = 0; i < kRows; ++i) {
        inputNameIdx[i] = activeParams ? clampInputNameIndex(activeParams->inputNameIndex[i]) : 0;
        outputNameIdx[i] = activeParams ? clampOutputNameIndex(activeParams->outputNameIndex[i]) : 0;
    }

    m_countCombo = new ComboBox(this);
    m_countCombo->setGeometry(40, 30, 150, 40);
    setComboFont(m_countCombo, QFont(QLatin1String(kKitFontFamily), 32));
    setComboStyle(m_countCombo, 40);
    for (int n = kMinDetections; n <= kMaxDetections; ++n)
        m_countCombo->addItem(tableText(kFirstCountText + n - kMinDetections));
    fitComboEntries(m_countCombo, 14);

    for (int i = 0; i < kRows; ++i) {
        auto* r = new IOCheckComBO(this, QString(), IOCheckComBO::kMaxBoxes);
        r->row = i;
        r->move(30, 100 + 70 * i);
        connect(r, &IOCheckComBO::changeTrigin, this, &IOWidget::SlotChangeTrigin);
        connect(r, &IOCheckComBO::clickeCheckBox, this, &IOWidget::SlotClickCheckBox);
        connect(r, &IOCheckComBO::cutModeChosen, this, &IOWidget::SlotChangeCutMode);
        m_rows[i] = r;
    }

    m_confirmButton = new ColorButton(tableText(kConfirmText), this, 0);
    m_confirmButton->setGeometry(1550, 855, 200, 75);
    m_resetButton = new ColorButton(tableText(kResetText), this, 0);
    m_resetButton->setGeometry(1320, 855, 200, 75);
    connect(m_confirmButton, &QPushButton::clicked, this, &IOWidget::accept);
    connect(m_resetButton, &QPushButton::clicked, this, &IOWidget::reset);
    connect(m_countCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IOWidget::SlotChangeDetectNum);

    load();
}

void IOWidget::load()
{
    const SystemParam* p = activeParams;
    if (p) {
        detectCount = std::clamp(p->multiDetectCount, kMinDetections, kMaxDetections);
        for (int i = 0; i < kRows; ++i) {
            columnRow[i] = p->multiDetectColumnRow[i];
            cutMode[i] = std::clamp(p->multiDetectCutMode[i], 0, 2);
            m_rows[i]->trigger = p->multiDetectTrigger[i];
        }
    }
    // An assignment the dialog cannot show (a row or column beyond the detections, or beyond the
    // rows altogether) is dropped, as a count change drops it; one that breaks the order of the
    // detections is dropped when the boxes are checked again.
    for (int j = 0; j < kRows; ++j) {
        if (columnRow[j] < 0 || columnRow[j] >= detectCount || j >= detectCount)
            columnRow[j] = -1;
    }
    for (int i = 0; i < kRows; ++i)
        m_rows[i]->showCutMode(cutMode[i]);
    {
        const QSignalBlocker blocker(m_countCombo);
        m_countCombo->setCurrentIndex(detectCount - kMinDetections);
    }
    applyDetectCount();
    hide();
}

void IOWidget::refreshNames()
{
    QStringList inputs;
    QStringList labels;
    for (int i = 0; i < kRows; ++i)
        inputs << ioInputName(inputNameIdx[i]);
    // Columns 0 .. n - 2 stand for outputs 1 .. n - 1; the last shown column for output 0.
    const int n = detectCount;
    for (int j = 0; j < kRows; ++j) {
        if (j < n - 1)
            labels << ioOutputName(outputNameIdx[j + 1]);
        else if (j == n - 1)
            labels << ioOutputName(outputNameIdx[0]);
        else
            labels << QString();
    }
    for (IOCheckComBO* r : m_rows)
        r->setNames(inputs, labels);
}

void IOWidget::SlotChangeDetectNum(int index)
{
    detectCount = std::clamp(index + kMinDetections, kMinDetections, kMaxDetections);
    applyDetectCount();
}

void IOWidget::applyDetectCount()
{
    const int n = detectCount;
    int first = 0;
    for (int i = 0; i < kRows; ++i) {
        if (i < n) {
            m_rows[i]->show();
            m_rows[i]->fillTriggerCombo(n, first);
            first = m_rows[i]->trigger;
        } else {
            m_rows[i]->hide();
        }
    }
    clearAllBoxes(true);
    for (int j = 0; j < kRows; ++j) {
        const int r = columnRow[j];
        if (r < 0)
            continue;
        CheckBox* box = r < n && j < n ? m_rows[r]->checkBox(j) : nullptr;
        if (!box || !box->isCheckable()) {
            columnRow[j] = -1;
            continue;
        }
        // Reported through the box's slot, which applies the order of the detections.
        box->setCheckedState(true);
    }
    refreshNames();
}

void IOWidget::clearAllBoxes(bool quietInside)
{
    const int n = detectCount;
    // Boxes outside the shown square first: a checked one gives up its column through its slot.
    if (quietInside) {
        for (int i = 0; i < kRows; ++i) {
            for (int j = 0; j < m_rows[i]->boxCount(); ++j) {
                if (i < n && j < n)
                    continue;
                m_rows[i]->setCheckEnabled(j, true);
                m_rows[i]->checkBox(j)->setCheckedState(false);
            }
        }
    }
    for (IOCheckComBO* r : m_rows) {
        for (int j = 0; j < r->boxCount(); ++j) {
            CheckBox* box = r->checkBox(j);
            const QSignalBlocker blocker(box);
            r->setCheckEnabled(j, true);
            box->setCheckedState(false);
        }
    }
}

void IOWidget::SlotChangeTrigin(int Detect, int index)
{
    if (Detect < 0 || Detect >= kRows - 1)
        return;
    // The next detection is triggered by this input or a later one.
    IOCheckComBO* next = m_rows[Detect + 1];
    next->fillTriggerCombo(detectCount, index);
    emit next->changeTrigin(Detect + 1, next->trigger);
}

void IOWidget::setColumnsEnabled(int row, bool above, int from, int to, bool enabled)
{
    const int n = detectCount;
    const int firstRow = above ? 0 : row + 1;
    const int endRow = above ? std::min(row, n) : n;
    for (int i = firstRow; i < endRow; ++i) {
        for (int c = std::max(from, 0); c <= to; ++c)
            m_rows[i]->setCheckEnabled(c, enabled);
    }
}

void IOWidget::SlotClickCheckBox(int Detect, int NO, int state)
{
    if (NO < 0 || NO >= kRows)
        return;
    const bool checked = state == Qt::Checked;
    columnRow[NO] = checked ? Detect : -1;

    // A column belongs to one detection, and later detections own later columns.
    const int n = detectCount;
    setColumnsEnabled(Detect, true, NO, n - 1, !checked);
    setColumnsEnabled(Detect, false, 0, NO, !checked);
    if (checked)
        return;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < n; ++c) {
            if (m_rows[i]->checkBox(c)->isCheckedState()) {
                setColumnsEnabled(i, true, c, n - 1, false);
                setColumnsEnabled(i, false, 0, c, false);
            }
        }
    }
}

void IOWidget::SlotChangeCutMode(int Detect, int mode)
{
    if (Detect >= 0 && Detect < kRows && mode >= 0)
        cutMode[Detect] = mode;
}

void IOWidget::reset()
{
    clearAllBoxes(false);
    for (int j = 0; j < detectCount; ++j)
        columnRow[j] = -1;
}

void IOWidget::accept()
{
    const int n = detectCount;
    if (columnRow[n - 1] == -1) {
        Warnbox box;
        box.setText(tableText(kNoLastColumnText));
        box.exec();
        return;
    }
    if (editParams) {
        editParams->multiDetectCount = n;
        for (int i = 0; i < kRows; ++i) {
            editParams->multiDetectTrigger[i] = m_rows[i]->trigger;
            editParams->multiDetectColumnRow[i] = columnRow[i];
            editParams->multiDetectCutMode[i] = cutMode[i];
        }
    }
    hide();
    // Back to the settings wizard's current page; the values reach the active record when the
    // wizard itself is accepted.
    QWidget* wizard = parentWidget();
    if (wizard && wizard->metaObject()->indexOfSlot("DoChangePage()") >= 0)
        QMetaObject::invokeMethod(wizard, "DoChangePage");
}

void IOWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (backgroundPixmap && !backgroundPixmap->isNull())
        painter.drawPixmap(rect(), *backgroundPixmap);
    painter.setPen(QColor(0, 255, 255));
    // The title keeps its 500-pixel place; a longer one (English) takes a smaller text size.
    const QRect titleBox((width() - 500) / 2, 20, 500, 50);
    painter.setFont(fittingFont(QFont(QLatin1String(kKitFontFamily), 35), titleBox, Qt::AlignVCenter,
                                tableText(kTitleText), 14));
    painter.drawText(titleBox, Qt::AlignVCenter, tableText(kTitleText));
}
