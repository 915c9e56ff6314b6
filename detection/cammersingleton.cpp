#include "detection/cammersingleton.h"

#include "core/globals.h"
#include "detection/clustomrect.h"
#include "detection/roiinterface.h"
#include "view/cammerwidget.h"
#include "view/roishapefactory.h"
#include "widgets/warnbox.h"

#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <opencv2/core.hpp>

#include <glog/logging.h>

#include <algorithm>

namespace {

// "Camera parameter file error!"
constexpr int kParamFileErrorTextId = 0;
constexpr int kMaxOutputChannel = 8;

// Values of a region that has no usable row: the next save writes them.
constexpr int kDefaultMinWH = 3;
constexpr int kDefaultSensitivity = 25;
constexpr int kDefaultArea = 100;
const QRect kDefaultRect(QPoint(50, 50), QPoint(100, 100));

QString detectRowName(int d)
{
    return QStringLiteral("detect%1").arg(d);
}

QString roiRowName(int d, int k)
{
    return QStringLiteral("ROI%1-%2").arg(d).arg(k);
}

bool run(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant& v : values)
            query.addBindValue(v);
        ok = query.exec();
    }
    if (!ok)
        LOG(ERROR) << "region table statement failed: " << sql.toStdString() << " ("
                   << query.lastError().text().toStdString() << ")";
    return ok;
}

// Runs a select of one value; `value` gets it when a row comes back.
bool selectValue(QSqlQuery& query, const QString& sql, const QString& name, QString* value, bool* found)
{
    *found = false;
    if (!run(query, sql, {name}))
        return false;
    if (query.next()) {
        *found = true;
        if (value)
            *value = query.value(0).toString();
    }
    query.finish();
    return true;
}

}  // namespace

CammerSingleton::CammerSingleton(int index)
    : cameraIndex(index)
{
    std::fill(std::begin(roiCount), std::end(roiCount), 0);
    std::fill(std::begin(minWH), std::end(minWH), 0);
    std::fill(std::begin(sensitivity), std::end(sensitivity), 0);
    std::fill(std::begin(area), std::end(area), 0);
    std::fill(std::begin(toolType), std::end(toolType), 0);
    std::fill(std::begin(shapeKind), std::end(shapeKind), 0);
    std::fill(std::begin(outN), std::end(outN), 0);
    for (auto& reserved : detectReserved)
        std::fill(std::begin(reserved), std::end(reserved), 0);
}

CammerSingleton::~CammerSingleton()
{
    for (auto& list : rois)
        clearRois(list);
}

void CammerSingleton::setDefaultRegion(int d, int k)
{
    const int s = d * kRoisPerDetect + k;
    minWH[s] = kDefaultMinWH;
    sensitivity[s] = kDefaultSensitivity;
    area[s] = kDefaultArea;
    toolType[s] = 0;
    shapeKind[s] = ShapeRectangle;
    outN[k] = 0;
}

void CammerSingleton::load(QSqlQuery query, CammerWidget* view)
{
    if (!view) {
        LOG(ERROR) << "region set of camera " << cameraIndex << " loaded without its view";
        return;
    }
    // Loading twice must not leave the lists of the first load behind.
    for (auto& list : rois)
        clearRois(list);
    rois.clear();

    const QString table = QStringLiteral("cammer%1").arg(cameraIndex);
    const QString selectSql = QStringLiteral("select value from %1 where name=?").arg(table);
    const QString insertSql = QStringLiteral("insert into %1 values(?, ?)").arg(table);
    QJsonObject context;
    context.insert(QStringLiteral("width"), view->imageWidth);
    context.insert(QStringLiteral("height"), view->imageHeight);

    for (int d = 0; d < kDetects; ++d) {
        QString value;
        bool found = false;
        selectValue(query, selectSql, detectRowName(d), &value, &found);
        if (found) {
            QTextStream in(&value);
            roiCount[d] = readTextInt(in);
            for (int i = 0; i < kReservedPerDetect; ++i)
                detectReserved[d][i] = readTextInt(in);
        } else {
            roiCount[d] = 0;
            run(query, insertSql, {detectRowName(d), QStringLiteral("0")});
        }

        QList<ROIInterface*> list;
        if (roiCount[d] > kRoisPerDetect || roiCount[d] < 0) {
            LOG(WARNING) << table.toStdString() << " " << detectRowName(d).toStdString() << " holds "
                         << roiCount[d] << " regions; the detect loads without regions";
            Warnbox box(nullptr);
            box.setText(tableText(kParamFileErrorTextId));
            box.exec();
            roiCount[d] = 0;
            rois.append(list);
            continue;
        }

        for (int k = 0; k < roiCount[d]; ++k) {
            const int s = d * kRoisPerDetect + k;
            const QString name = roiRowName(d, k);
            ROIInterface* shape = nullptr;
            bool parametersRead = false;
            selectValue(query, selectSql, name, &value, &found);
            if (found) {
                QTextStream in(&value);
                minWH[s] = readTextInt(in);
                sensitivity[s] = readTextInt(in);
                area[s] = readTextInt(in);
                toolType[s] = readTextInt(in);
                shapeKind[s] = readTextInt(in);
                outN[k] = readTextInt(in);
                if (outN[k] > kMaxOutputChannel || outN[k] < 0)
                    outN[k] = 0;
                parametersRead = in.status() == QTextStream::Ok;
                const int n = readTextInt(in);
                if (in.status() == QTextStream::Ok) {
                    // The stored kind stays as read; unknown kinds are drawn as rectangles.
                    shape = createRoiShape(shapeKind[s]);
                    context.insert(QStringLiteral("pointCount"), n);
                    shape->fromText(in, context);
                    shape->updateBounds();
                }
                // A short or garbled row, or a shape without area, would give the detection an
                // empty mask: the region keeps its slot, with the default rectangle as its shape
                // and, when the parameters themselves could not be read, the default parameters.
                if (!shape || in.status() != QTextStream::Ok || shape->mask().empty()) {
                    LOG(WARNING) << table.toStdString() << " row " << name.toStdString() << " is corrupt ('"
                                 << value.toStdString() << "'); it loads with the default rectangle"
                                 << (parametersRead ? "" : " and the default parameters");
                    delete shape;
                    shape = nullptr;
                    shapeKind[s] = ShapeRectangle;
                }
            }
            if (!shape) {
                if (!parametersRead)
                    setDefaultRegion(d, k);
                auto rect = new ClustomRect;
                rect->setCoords(kDefaultRect.left(), kDefaultRect.top(), kDefaultRect.right(), kDefaultRect.bottom());
                shape = rect;
            }
            view->roiMask[s] = shape->mask();
            list.append(shape);
        }
        rois.append(list);
    }
}

bool CammerSingleton::saveDetect(QSqlQuery& query, const QString& table, int d)
{
    const QString detectValue = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                                    .arg(roiCount[d])
                                    .arg(detectReserved[d][0])
                                    .arg(detectReserved[d][1])
                                    .arg(detectReserved[d][2])
                                    .arg(detectReserved[d][3])
                                    .arg(detectReserved[d][4])
                                    .arg(detectReserved[d][5])
                                    .arg(detectReserved[d][6])
                                    .arg(detectReserved[d][7]);
    const QString updateSql = QStringLiteral("update %1 set value=? where name=?").arg(table);
    const QString insertSql = QStringLiteral("insert into %1 values(?, ?)").arg(table);
    const QString existsSql = QStringLiteral("select * from %1 where name=?").arg(table);
    const QString deleteSql = QStringLiteral("delete from %1 where name=?").arg(table);

    if (!run(query, updateSql, {detectValue, detectRowName(d)}))
        return false;
    // A table that never went through load lacks the row; the count must not get lost.
    if (query.numRowsAffected() == 0 && !run(query, insertSql, {detectRowName(d), detectValue}))
        return false;

    if (roiCount[d] < 0 || roiCount[d] > kRoisPerDetect || d >= rois.size() || rois[d].size() != roiCount[d]) {
        LOG(ERROR) << table.toStdString() << " detect " << d << ": count " << roiCount[d]
                   << " does not match the region list; nothing is saved";
        return false;
    }
    for (int k = 0; k < roiCount[d]; ++k) {
        const int s = d * kRoisPerDetect + k;
        const QString name = roiRowName(d, k);
        const QString value = QStringLiteral("%1 %2 %3 %4 %5 %6 ")
                                  .arg(minWH[s])
                                  .arg(sensitivity[s])
                                  .arg(area[s])
                                  .arg(toolType[s])
                                  .arg(shapeKind[s])
                                  .arg(outN[k])
                              + rois[d][k]->toText();
        bool found = false;
        if (!selectValue(query, existsSql, name, nullptr, &found))
            return false;
        const bool ok = found ? run(query, updateSql, {value, name}) : run(query, insertSql, {name, value});
        if (!ok)
            return false;
    }
    // Rows of regions beyond the count go; rows beyond region 49 are never touched.
    for (int k = roiCount[d]; k < kRoisPerDetect; ++k) {
        if (!run(query, deleteSql, {roiRowName(d, k)}))
            return false;
    }
    return true;
}

bool CammerSingleton::save(QSqlQuery query)
{
    const QString table = QStringLiteral("cammer%1").arg(cameraIndex);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        LOG(ERROR) << "region set of " << table.toStdString() << " not saved: "
                   << query.lastError().text().toStdString();
        return false;
    }
    bool ok = true;
    for (int d = 0; d < kDetects && ok; ++d)
        ok = saveDetect(query, table, d);
    query.finish();
    if (ok && query.exec(QStringLiteral("COMMIT")))
        return true;
    LOG(ERROR) << "region set of " << table.toStdString() << " not saved; the table is left as it was";
    query.exec(QStringLiteral("ROLLBACK"));
    return false;
}

void CammerSingleton::copyFrom(const CammerSingleton& source)
{
    if (&source == this)
        return;
    cameraIndex = source.cameraIndex;
    std::copy(std::begin(source.roiCount), std::end(source.roiCount), roiCount);
    std::copy(std::begin(source.minWH), std::end(source.minWH), minWH);
    std::copy(std::begin(source.sensitivity), std::end(source.sensitivity), sensitivity);
    std::copy(std::begin(source.area), std::end(source.area), area);
    std::copy(std::begin(source.toolType), std::end(source.toolType), toolType);
    std::copy(std::begin(source.shapeKind), std::end(source.shapeKind), shapeKind);
    std::copy(std::begin(source.outN), std::end(source.outN), outN);
    for (int d = 0; d < kDetects; ++d)
        std::copy(std::begin(source.detectReserved[d]), std::end(source.detectReserved[d]), detectReserved[d]);

    for (auto& list : rois)
        clearRois(list);
    for (int j = 0; j < source.rois.size(); ++j) {
        QList<ROIInterface*> copy;
        for (const ROIInterface* shape : source.rois[j]) {
            QJsonObject json;
            shape->toJson(json);
            ROIInterface* twin = createRoiShape(shape->type());
            twin->fromJson(json);
            twin->updateBounds();
            copy.append(twin);
        }
        if (j < rois.size())
            rois[j] = copy;
        else
            rois.append(copy);
    }
}

void CammerSingleton::clearRois(QList<ROIInterface*>& list)
{
    while (!list.isEmpty())
        delete list.takeLast();
}

bool CammerSingleton::equals(const CammerSingleton& other) const
{
    if (cameraIndex != other.cameraIndex || !std::equal(std::begin(roiCount), std::end(roiCount), other.roiCount)
        || !std::equal(std::begin(minWH), std::end(minWH), other.minWH)
        || !std::equal(std::begin(sensitivity), std::end(sensitivity), other.sensitivity)
        || !std::equal(std::begin(area), std::end(area), other.area)
        || !std::equal(std::begin(toolType), std::end(toolType), other.toolType)
        || !std::equal(std::begin(shapeKind), std::end(shapeKind), other.shapeKind)
        || !std::equal(std::begin(outN), std::end(outN), other.outN))
        return false;
    for (int d = 0; d < kDetects; ++d) {
        if (!std::equal(std::begin(detectReserved[d]), std::end(detectReserved[d]), other.detectReserved[d]))
            return false;
    }
    if (rois.size() != other.rois.size())
        return false;
    for (int j = 0; j < rois.size(); ++j) {
        if (rois[j].size() != other.rois[j].size())
            return false;
        for (int i = 0; i < rois[j].size(); ++i) {
            if (!rois[j][i]->equals(*other.rois[j][i]))
                return false;
        }
    }
    return true;
}
