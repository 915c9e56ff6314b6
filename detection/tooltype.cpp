#include "detection/tooltype.h"

#include <QCoreApplication>

QString toolTypeName(int toolType)
{
    switch (toolType) {
    case ToolType::Spot: return QCoreApplication::translate("CammerWidget", "斑点检测");
    case ToolType::Ignore: return QCoreApplication::translate("CammerWidget", "忽略区域");
    case ToolType::Position: return QCoreApplication::translate("CammerWidget", "目标定位");
    case ToolType::BlackArea: return QCoreApplication::translate("CammerWidget", "黑斑面积");
    case ToolType::WhiteArea: return QCoreApplication::translate("CammerWidget", "白斑面积");
    case ToolType::Similarity: return QCoreApplication::translate("CammerWidget", "相似度");
    case ToolType::WhiteCount: return QCoreApplication::translate("CammerWidget", "白斑个数");
    case ToolType::Temperature: return QCoreApplication::translate("CammerWidget", "温度报警");
    case ToolType::AngleCorrect: return QCoreApplication::translate("CammerWidget", "角度矫正");
    default: return QCoreApplication::translate("CammerWidget", "缺陷检测");
    }
}
