#include "mainwindow/hardwareconfigurationwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "settings/wizardparawidget.h"
#include "view/cammerwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/kitfont.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTextStream>

namespace {

constexpr int kWidth = 1500;
constexpr int kHeight = 800;
constexpr int kTextConfirm = 121;
const char* const kCountName = "Count";
const char* const kSimulatedCamera = "simulatecamera_IID";

QLabel* makeCell(const QString& text, const QColor& colour, const QFont& font, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setFont(font);
    return label;
}

}  // namespace

HardwareConfigurationWidget::HardwareConfigurationWidget(QWidget* parent) : QWidget(parent)
{
    setGeometry(screenWidth / 2 - kWidth / 2, screenHeight / 2 - kHeight / 2, kWidth, kHeight);
    setWindowFlags(Qt::CustomizeWindowHint);
    const QFont font(QLatin1String(kKitFontFamily), 30);
    setFont(font);

    auto* grid = new QGridLayout(this);
    const QList<Entry> entries = loadConf();
    for (int r = 0; r < entries.size(); ++r) {
        const Entry& entry = entries[r];
        const QColor colour = entry.value.isEmpty() ? QColor(Qt::cyan) : QColor(Qt::yellow);
        const bool count = entry.name == QLatin1String(kCountName);
        QLabel* name = makeCell(entry.name, colour, font, this);
        QLabel* value = makeCell(count ? QString() : entry.value, colour, font, this);
        if (count)
            m_countLabel = value;
        grid->addWidget(name, r, 0);
        grid->addWidget(value, r, 1);
        m_nameLabels.append(name);
        m_valueLabels.append(value);
    }
    m_confirmButton = new ColorButton(tableText(kTextConfirm), this, 0);
    m_confirmButton->setFixedSize(150, 50);
    grid->addWidget(m_confirmButton, entries.size(), 0, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
    connect(m_confirmButton, &QPushButton::clicked, this, &HardwareConfigurationWidget::slotConfirm);
    grid->setSpacing(10);
    grid->setContentsMargins(50, 50, 50, 50);
}

QList<HardwareConfigurationWidget::Entry> HardwareConfigurationWidget::loadConf(const QString& fileName)
{
    QList<Entry> entries;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entries;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        Entry entry;
        entry.name = fields.value(0).replace(QLatin1Char('_'), QLatin1Char(' '));
        entry.value = fields.value(1).replace(QLatin1Char('_'), QLatin1Char(' '));
        entries.append(entry);
    }
    return entries;
}

void HardwareConfigurationWidget::showEvent(QShowEvent* event)
{
    if (m_countLabel) {
        const CammerWidget* first = mainWindow ? mainWindow->cameraViews[0] : nullptr;
        const bool simulated = first && first->iid == QLatin1String(kSimulatedCamera);
        m_countLabel->setText(simulated ? QStringLiteral("0") : QString::number(cameraCount));
    }
    QWidget::showEvent(event);
}

void HardwareConfigurationWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (backgroundPixmap && !backgroundPixmap->isNull())
        painter.drawPixmap(rect(), *backgroundPixmap);
}

void HardwareConfigurationWidget::slotConfirm()
{
    hide();
    if (!mainWindow || !mainWindow->wizardWidget)
        return;
    // The wizard loads its controls from the edit copy; a copy left by an earlier screen (a
    // declined or refused change) would show values that are not in use.
    if (activeParams && editParams)
        *editParams = *activeParams;
    mainWindow->wizardWidget->show();
    mainWindow->wizardWidget->raise();
}
