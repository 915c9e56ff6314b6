#include "widgets/dialogframe.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

CComp_DialogFrame::CComp_DialogFrame(const QString& title, QWidget* parent) : QDialog(parent)
{
    qInfo("%s", qUtf8Printable(QStringLiteral("open dialog:") + title));

    m_titleBar = new QWidget(this);
    m_titleBar->setObjectName(QStringLiteral("titleBar"));
    m_titleBar->setFixedHeight(60);

    m_titleLabel = new QLabel(title, m_titleBar);
    m_titleLabel->setObjectName(QStringLiteral("labtitle"));
    m_titleLabel->setFixedHeight(60);

    // Translated like the confirm buttons of the other boxes: an English screen shows no Chinese.
    m_okButton = new QPushButton(tr("确定"), this);
    m_okButton->setObjectName(QStringLiteral("okBtn"));
    m_okButton->setFixedSize(120, 60);
    connect(m_okButton, &QPushButton::pressed, this, &CComp_DialogFrame::acceptDialog);

    m_titleLayout = new QHBoxLayout(m_titleBar);
    m_titleLayout->addWidget(m_titleLabel);
    m_titleLayout->addStretch();
    m_titleLayout->addWidget(m_okButton);
    m_titleLayout->setContentsMargins(8, 0, 0, 0);

    m_contentWidget = new QWidget(this);
    m_contentWidget->setObjectName(QStringLiteral("contentWgt"));

    auto dialogLayout = new QVBoxLayout(this);
    dialogLayout->addWidget(m_titleBar);
    dialogLayout->addWidget(m_contentWidget);
    dialogLayout->setMargin(0);
    dialogLayout->setSpacing(0);
    dialogLayout->setContentsMargins(0, 0, 0, 5);

    setMinimumSize(1000, 800);
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
}

void CComp_DialogFrame::mousePressEvent(QMouseEvent* event)
{
    QDialog::mousePressEvent(event);
}

void CComp_DialogFrame::mouseReleaseEvent(QMouseEvent* event)
{
    QDialog::mouseReleaseEvent(event);
}

void CComp_DialogFrame::mouseMoveEvent(QMouseEvent* event)
{
    QDialog::mouseMoveEvent(event);
}

void CComp_DialogFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(rect(), Qt::SolidPattern);
}

void CComp_DialogFrame::acceptDialog()
{
    accept();
}
