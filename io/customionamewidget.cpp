#include "io/customionamewidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/ionames.h"
#include "io/iowidget.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

namespace {

constexpr int kConfirmText = 121;
// A heading's 180 pixels less a little air at its sides.
constexpr int kHeadingRoom = 172;

QLabel* makeHeading(const QString& text, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFixedSize(180, 60);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color:yellow;"));
    return label;
}

ComboBox* makeNameCombo(int names, QString (*nameOf)(int), const QFont& font, QWidget* parent)
{
    auto* combo = new ComboBox(parent);
    combo->setFixedSize(180, 60);
    setComboFont(combo, font);
    for (int k = 0; k < names; ++k)
        combo->addItem(nameOf(k));  // item index = name index
    fitComboEntries(combo, 14);
    return combo;
}

}  // namespace

CustomIONameWidget::CustomIONameWidget(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    if (parent) {
        m_ioDialog = parent->findChild<IOWidget*>();
        if (m_ioDialog)
            m_wizard = m_ioDialog->parentWidget();
    }

    auto* grid = new QGridLayout(this);
    grid->setSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    const QFont font(QLatin1String(kKitFontFamily), 30);
    // Headings wider than their place (English "Output 10") take a smaller text size, the same
    // for all of them.
    QFont headingFont = font;
    int headingPixels = QFontInfo(font).pixelSize();
    for (int i = 0; i < 10; ++i)
        for (const QString& heading : {ioInputHeading(i), ioOutputHeading(i)})
            headingPixels = fittingPixelSize(font, heading, kHeadingRoom, headingPixels, 14);
    headingFont.setPixelSize(headingPixels);
    for (int i = 0; i < 10; ++i) {
        m_inputHeadings[i] = makeHeading(ioInputHeading(i), headingFont, this);
        m_inputCombos[i] = makeNameCombo(kIOInputNameCount, ioInputName, font, this);
        m_outputHeadings[i] = makeHeading(ioOutputHeading(i), headingFont, this);
        m_outputCombos[i] = makeNameCombo(kIOOutputNameCount, ioOutputName, font, this);
        grid->addWidget(m_inputHeadings[i], 0, i);
        grid->addWidget(m_inputCombos[i], 1, i);
        grid->addWidget(m_outputHeadings[i], 2, i);
        grid->addWidget(m_outputCombos[i], 3, i);
    }
    m_confirmButton = new ColorButton(tableText(kConfirmText), this, 0);
    m_confirmButton->setFixedSize(180, 70);
    grid->addWidget(m_confirmButton, 4, 9);
    connect(m_confirmButton, &QPushButton::clicked, this, &CustomIONameWidget::accept);
}

void CustomIONameWidget::load()
{
    for (int i = 0; i < 10; ++i) {
        int in = 0;
        int out = 0;
        if (m_ioDialog) {
            in = m_ioDialog->inputNameIdx[i];
            out = m_ioDialog->outputNameIdx[i];
        } else if (activeParams) {
            in = activeParams->inputNameIndex[i];
            out = activeParams->outputNameIndex[i];
        }
        m_inputCombos[i]->setCurrentIndex(clampInputNameIndex(in));
        m_outputCombos[i]->setCurrentIndex(clampOutputNameIndex(out));
    }
}

void CustomIONameWidget::accept()
{
    for (int i = 0; i < 10; ++i) {
        const int in = clampInputNameIndex(m_inputCombos[i]->currentIndex());
        const int out = clampOutputNameIndex(m_outputCombos[i]->currentIndex());
        if (m_ioDialog) {
            m_ioDialog->inputNameIdx[i] = in;
            m_ioDialog->outputNameIdx[i] = out;
        }
        // The active record takes the names only when the wizard's own acceptance saves.
        if (editParams) {
            editParams->inputNameIndex[i] = in;
            editParams->outputNameIndex[i] = out;
        }
    }
    hide();
    if (m_ioDialog)
        m_ioDialog->refreshNames();
    if (m_wizard)
        m_wizard->show();
}

void CustomIONameWidget::showEvent(QShowEvent* event)
{
    layout()->activate();  // the grid fixes the size
    QWidget* host = mainWindow ? static_cast<QWidget*>(mainWindow) : parentWidget();
    if (host) {
        const QPoint topLeft = host->mapToGlobal(host->rect().center()) - QPoint(width() / 2, height() / 2);
        move(parentWidget() ? parentWidget()->mapFromGlobal(topLeft) : topLeft);
    }
    QWidget::showEvent(event);
}

void CustomIONameWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (backgroundPixmap && !backgroundPixmap->isNull())
        painter.drawPixmap(rect(), *backgroundPixmap);
}
