// The region set of one camera: per detect a list of region shapes and, per region slot
// (detect * 50 + region), its three inspection parameters, tool type, shape kind and output
// channel; loaded from and saved to table cammer<camera> of PARAM.db. GUI thread only, no lock.
#pragma once

#include <QList>
#include <QMetaType>

class CammerWidget;
class QSqlQuery;
class ROIInterface;

class CammerSingleton {
public:
    static constexpr int kDetects = 8;
    static constexpr int kRoisPerDetect = 50;
    static constexpr int kSlots = kDetects * kRoisPerDetect;
    static constexpr int kReservedPerDetect = 8;

    // An empty set (no lists, all numbers 0) for the camera.
    explicit CammerSingleton(int cameraIndex);
    ~CammerSingleton();
    CammerSingleton(const CammerSingleton&) = delete;
    CammerSingleton& operator=(const CammerSingleton&) = delete;

    // Reads table cammer<cameraIndex> through `query` and renders every region's mask into
    // view->roiMask. Missing detect rows are inserted; a detect count outside 0..50 shows the
    // parameter-file warning and loads as 0; a missing or corrupt region row keeps its slot with
    // the default rectangle region.
    void load(QSqlQuery query, CammerWidget* view);
    // Makes the table match the set in one transaction. False (and the table unchanged) when a
    // statement fails or the set is inconsistent.
    bool save(QSqlQuery query);
    // Makes this set a deep copy of `source` (new shapes; masks are not part of the set).
    void copyFrom(const CammerSingleton& source);
    // Empties the list and deletes its shapes.
    static void clearRois(QList<ROIInterface*>& list);
    // Same numbers in every field and the same shapes (kind and JSON form) in every list.
    bool equals(const CammerSingleton& other) const;

    int cameraIndex;
    int roiCount[kDetects];
    int minWH[kSlots];
    int sensitivity[kSlots];
    int area[kSlots];
    int toolType[kSlots];
    int shapeKind[kSlots];
    // Output channel (0..8) per region index, shared by all detects.
    int outN[kRoisPerDetect];
    // Carried unchanged in the detect rows; nothing else reads them.
    int detectReserved[kDetects][kReservedPerDetect];
    // One list per detect; list d holds roiCount[d] shapes, owned by the set.
    QList<QList<ROIInterface*>> rois;

private:
    void setDefaultRegion(int d, int k);
    bool saveDetect(QSqlQuery& query, const QString& table, int d);
};

Q_DECLARE_METATYPE(CammerSingleton*)
