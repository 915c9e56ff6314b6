#include "records/camerastatisticswidget.h"

#include "core/globals.h"
#include "records/histogram.h"
#include "records/temperaturechartdata.h"
#include "widgets/kitfont.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMutexLocker>
#include <QVBoxLayout>

namespace {

// Texts of the left column: heading, and the caption of each total.
constexpr int kTotalHeading = 587;
constexpr int kCountCaption = 547;
constexpr int kNgCountCaption = 543;
constexpr int kNgRateCaption = 588;

}  // namespace

CameraStatisticsWidget::CameraStatisticsWidget(QWidget* parent)
    : QWidget(parent)
{
    const QFont small(QString::fromLatin1(kKitFontFamily), 10);
    auto column = new QVBoxLayout;
    column->setSpacing(20);
    auto heading = new QLabel(tableText(kTotalHeading), this);
    heading->setFixedSize(150, 35);
    column->addWidget(heading);

    auto label = [&](const QString& text, const QString& name, const char* colour) {
        auto l = new QLabel(text, this);
        l->setObjectName(name);
        l->setFont(small);
        l->setFixedSize(120, 25);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (colour)
            l->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
        column->addWidget(l);
        return l;
    };
    label(tableText(kCountCaption), QString(), nullptr);
    totalCount = label(QStringLiteral("0"), QStringLiteral("totalCount"), "#F2803F");
    label(tableText(kNgCountCaption), QString(), nullptr);
    totalNGCount = label(QStringLiteral("0"), QStringLiteral("totalNGCount"), "red");
    label(tableText(kNgRateCaption), QString(), nullptr);
    totalNGRate = label(QStringLiteral("0%"), QStringLiteral("totalNGRate"), "red");
    column->addStretch();

    TemperatureChartData* store = TemperatureChartData::instance();
    QMutexLocker lock(&store->dataMutex);
    totalCount->setText(QString::number(store->roundCount));
    totalNGCount->setText(QString::number(store->ngRoundCount));
    totalNGRate->setText(QString::number(store->ngRate, 'g', 4) + QLatin1Char('%'));
    histogram = new Histogram(this, store->axisLabels.value(0), store->axisLabels.value(1), store->okBins,
                              store->ngBins);
    histogram->setFixedHeight(760);

    auto row = new QHBoxLayout(this);
    row->setContentsMargins(30, 30, 0, 0);
    row->addLayout(column);
    row->addWidget(histogram, 1, Qt::AlignTop);
}
