#include "view/imagepickformsource.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVariant>

namespace {

constexpr int kColumns = 3;

const char* const kPanelStyle =
    "QWidget{background-color:#313131;outline:0px;border:none;}"
    "QLabel{color: #2687F2;font-size: 16px;font-family: SimHei}"
    "QPushButton{padding-left: 5px;padding-right: 5px;background-origin: content;background-position: left;"
    "background-color: #313131;font-size:16px;text-align: center;color: #FFFFFF;border: 1px solid #707070;}"
    "QPushButton:hover{padding-left: 5px;padding-right: 5px;background-origin: content;background-color: #F24C3F;"
    "font-size:16px;text-align: center;color: #FFFFFF;}"
    "QPushButton:pressed{padding-left: 5px;padding-right: 5px;background-origin: content;background-color: #F24C3F;"
    "font-size:16px;text-align: center;color: #FFFFFF;}"
    "QPushButton[choose = true]{padding-left: 5px;padding-right: 5px;background-origin: content;"
    "background-color: #2687F2;font-size:16px;text-align: center;color: #FFFFFF;}";

struct PickButton {
    QString objectName;
    QString caption;
};

// The label in its own row, then the buttons three to a row; returns the next free row.
int addGroup(QGridLayout* grid, int row, QLabel* label, QButtonGroup* group, const QList<PickButton>& buttons,
             QWidget* parent)
{
    grid->addWidget(label, row++, 0, 1, kColumns);
    for (int i = 0; i < buttons.size(); ++i) {
        auto* button = new QPushButton(buttons[i].caption, parent);
        button->setObjectName(buttons[i].objectName);
        button->setFixedSize(120, 40);
        button->setProperty("choose", false);
        group->addButton(button, i);
        grid->addWidget(button, row + i / kColumns, i % kColumns);
    }
    return row + (int(buttons.size()) + kColumns - 1) / kColumns;
}

}  // namespace

ImagePickForm_Source::ImagePickForm_Source(int cameras, int machineType, QWidget* parent)
    : QWidget(parent)
    , sourceLabel(new QLabel(QStringLiteral("·图片类型"), this))
    , cameraLabel(new QLabel(QStringLiteral("·相机"), this))
    , detectLabel(new QLabel(QStringLiteral("·检测类型"), this))
    , sourceGroup(new QButtonGroup(this))
    , cameraGroup(new QButtonGroup(this))
    , detectGroup(new QButtonGroup(this))
{
    setFixedWidth(420);
    sourceGroup->setObjectName(QStringLiteral("sourcegroup"));
    cameraGroup->setObjectName(QStringLiteral("cameragroup"));
    detectGroup->setObjectName(QStringLiteral("detectgroup"));

    auto* grid = new QGridLayout(this);
    grid->setSpacing(20);
    grid->setContentsMargins(10, 20, 10, 20);

    const QList<PickButton> sources = {{QStringLiteral("source_temp"), tr("模板")},
                                       {QStringLiteral("source_ontime"), tr("实时画面")},
                                       {QStringLiteral("source_last_ng"), tr("最近NG")},
                                       {QStringLiteral("source_record_ok"), tr("OK记录")},
                                       {QStringLiteral("source_record_ng"), tr("NG记录")}};
    int row = addGroup(grid, 0, sourceLabel, sourceGroup, sources, this);

    QList<PickButton> cameraButtons;
    for (int c = 0; c < cameras; ++c)
        cameraButtons << PickButton{QStringLiteral("camera_btn_%1").arg(c), tr("%1号相机").arg(c + 1)};
    cameraButtons << PickButton{QStringLiteral("camera_btn_all"), tr("全部相机")};
    row = addGroup(grid, row, cameraLabel, cameraGroup, cameraButtons, this);

    QList<PickButton> detects;
    if (machineType == 1 || machineType == 2)
        detects = {{QStringLiteral("detect_0"), tr("左成品") + tr("检测")},
                   {QStringLiteral("detect_1"), tr("左模腔") + tr("检测")},
                   {QStringLiteral("detect_2"), tr("右成品") + tr("检测")},
                   {QStringLiteral("detect_3"), tr("右模腔") + tr("检测")}};
    else
        detects = {{QStringLiteral("detect_0"), tr("成品检测")}, {QStringLiteral("detect_1"), tr("模腔检测")}};
    addGroup(grid, row, detectLabel, detectGroup, detects, this);

    setStyleSheet(QLatin1String(kPanelStyle));
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

void ImagePickForm_Source::markChosen(QButtonGroup* group, int id)
{
    for (QAbstractButton* button : group->buttons()) {
        button->setProperty("choose", group->id(button) == id);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
}

void ImagePickForm_Source::setDetectsVisible(bool visible)
{
    detectLabel->setVisible(visible);
    for (QAbstractButton* button : detectGroup->buttons())
        button->setVisible(visible);
}
