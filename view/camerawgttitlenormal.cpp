#include "view/camerawgttitlenormal.h"

#include "core/globals.h"
#include "view/cammerwidget.h"
#include "view/camerawgtdatawidget.h"
#include "widgets/dialogstyle.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QVariant>

namespace {

const char* const kResultRule =
    "QLabel#%1{color:white;background-color:#4CAF50;font-size:45px;text-align:center;}"
    "QLabel#%1[isok = false]{color:white;background-color:#F44336;font-size:45px;text-align:center;}";
const char* const kOkStyle =
    "QLabel#_lab_result{color:white;background-color:#4CAF50;font-size:45px;text-align:center;}";
const char* const kNgStyle =
    "QLabel#_lab_result{color:white;background-color:#F44336;font-size:45px;text-align:center;}";

}  // namespace

CameraWgt_DataWidget_Title_Normal::CameraWgt_DataWidget_Title_Normal(CameraWgt_DataWidget* owner, int index,
                                                                     QWidget* parent)
    : CameraWgt_DataWidget_Title(owner, index, parent)
    , detectReportLabel(new QLabel(this))
    , resultLabel(new QLabel(this))
{
    detectReportLabel->setObjectName(QStringLiteral("_lab_detectreport"));
    detectReportLabel->setTextFormat(Qt::RichText);
    detectReportLabel->setWordWrap(true);
    detectReportLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    resultLabel->setObjectName(QStringLiteral("_lab_result"));
    resultLabel->setAlignment(Qt::AlignCenter);
    resultLabel->setMinimumSize(100, 50);
    resultLabel->setProperty("isok", false);
    resultLabel->setStyleSheet(QStringLiteral("QLabel{color:white;background-color:#4CAF50;font-size:45px}"));
    m_layout->addWidget(detectReportLabel);
    m_layout->addWidget(resultLabel);
    applyTitleStyle();
}

QString CameraWgt_DataWidget_Title_Normal::styleSheet() const
{
    return CameraWgt_DataWidget_Title::styleSheet() + QString::fromLatin1(kResultRule).arg(QStringLiteral("_lab_result"));
}

void CameraWgt_DataWidget_Title_Normal::refreshText()
{
    CameraWgt_DataWidget_Title::refreshText();
    CammerWidget* view = cell ? cell->view : nullptr;
    if (!view)
        return;
    const QString white = QColor(Qt::white).name();
    const QString cyan = QColor(Qt::cyan).name();
    const bool counted = cameraIndex >= 0 && cameraIndex < 8;
    const int ng = counted ? ngCounts[cameraIndex] : 0;
    const int total = counted ? totalCounts[cameraIndex] : 0;
    const QString blank = QStringLiteral(" ");
    detectReportLabel->setText(colorText(white, tr("帧率 ")) + colorText(cyan, QString::number(view->fps))
                               + blank + colorText(white, tr("NG数 ")) + colorText(cyan, QString::number(ng))
                               + blank + colorText(white, tr("总数 ")) + colorText(cyan, QString::number(total))
                               + blank);

    // Restyled only when the verdict changes, not at every refresh. "isok" starts false with no
    // verdict on show, so the first refresh always shows one: an NG seen first would otherwise
    // leave the label blank on green.
    if (!m_verdictShown || resultLabel->property("isok").toBool() != view->detectOk) {
        m_verdictShown = true;
        const bool ok = view->detectOk;
        resultLabel->setStyleSheet(QLatin1String(ok ? kOkStyle : kNgStyle));
        resultLabel->setText(ok ? QStringLiteral("OK") : QStringLiteral("NG"));
        resultLabel->setProperty("isok", ok);
        resultLabel->update();
    }
    view->update();
}
