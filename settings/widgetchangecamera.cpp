#include "settings/widgetchangecamera.h"

#include "cameras/cameradiscovery.h"
#include "core/globals.h"
#include "settings/systemparamdialog.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"
#include "widgets/warnbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kTextConfirm = 121;
constexpr int kTextRepeated = 361;
constexpr int kTextPosition = 394;
constexpr int kTextSwitchesTo = 395;
constexpr int kJapanese = 3;

}  // namespace

WidgetChangeCamera::WidgetChangeCamera(QWidget* parent) : CComp_DialogFrame(tr("相机排序"), parent)
{
    setObjectName(QStringLiteral("cameraOrderDialog"));
    const int w = currentLanguage == kJapanese ? 750 : 550;
    QFont font{QLatin1String(kKitFontFamily)};
    font.setPixelSize(32);

    auto layout = new QVBoxLayout(contentWidget());
    layout->setSpacing(10);
    for (int k = 0; k < cameraCount; ++k) {
        auto label = new QLabel(tableText(kTextSwitchesTo).arg(k + 1), contentWidget());
        label->setFont(font);
        auto box = new ComboBox(contentWidget());
        box->setFixedSize(160, 50);
        setComboFont(box, font);
        setComboStyle(box, 50);
        for (int position = 0; position < cameraCount; ++position)
            box->addItem(tableText(kTextPosition).arg(position + 1), position);
        box->setCurrentIndex(k);
        cameraOrderSlots[k] = k;
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [this, k](int index) { onOrderChanged(k, index); });
        m_orderBoxes.append(box);

        auto row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(box);
        layout->addLayout(row);
    }
    layout->addStretch();

    m_confirmButton = new ColorButton(tableText(kTextConfirm), this, 0);
    m_confirmButton->setGeometry(30, 490 - 60 * cameraCount, w - 60, 50);
    connect(m_confirmButton, &QPushButton::clicked, this, &WidgetChangeCamera::onConfirm);

    setFixedSize(w, 560);
    if (parent)
        move(parent->width() / 2 - w / 2, parent->height() / 2 - 280);
}

void WidgetChangeCamera::SlotOK()
{
}

void WidgetChangeCamera::onOrderChanged(int row, int index)
{
    cameraOrderSlots[row] = index;
}

void WidgetChangeCamera::onConfirm()
{
    for (int k = 0; k + 1 < cameraCount; ++k) {
        for (int j = k + 1; j < cameraCount; ++j) {
            if (cameraOrderSlots[k] != cameraOrderSlots[j])
                continue;
            Warnbox own(this);
            Warnbox* box = sharedWarnbox ? sharedWarnbox.data() : &own;
            box->setText(tableText(kTextRepeated).arg(cameraOrderSlots[k] + 1));
            box->exec();
            return;
        }
    }
    CameraDiscovery::saveSerialNumbers(false);
    // Opened from the settings dialog: its power-off sequence restarts with the new order. The
    // main window's hidden instance has no settings dialog to run it; the saved order then takes
    // effect at the next start, as after a declined restart.
    if (auto settings = qobject_cast<SystemParamDialog*>(parentWidget()))
        settings->powerOff();
    else
        accept();
}
