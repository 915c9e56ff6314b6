// Template sampling of the camera view: the present raw frame becomes template 0 of a detect.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "view/framefile.h"

#include <QString>

#include <algorithm>

void CammerWidget::SaveReTrainImage(int detect)
{
    if (detect < 0 || detect >= kDetects || templates[detect].empty())
        return;
    // The raw frame, neither aligned nor corrected, is shown and kept as the base template.
    frameBuffer = grabBuffer;
    // Shown where frames are shown: not over a picture of the region editor.
    if ((imageSource == -1 || imageSource == 1) && displayBuffer.size() == frameBuffer.size())
        std::copy(frameBuffer.begin(), frameBuffer.end(), displayBuffer.begin());
    std::vector<unsigned char>& slot = templateSlot(detect, 0);
    std::copy(frameBuffer.begin(), frameBuffer.begin() + std::min(slot.size(), frameBuffer.size()), slot.begin());
    templateZeroUnreadable[detect] = false;
    const QString path = QStringLiteral("./cammer%1%2/template0.bmp").arg(cameraIndex + 1).arg(detect + 1);
    // The new template is used from now on; a file that cannot be written keeps the earlier one
    // for the next start, and says so.
    if (!writeFrameFile(path, slot.data(), imageWidth, imageHeight, colourFrames))
        noteFileProblem(kFileNotWrittenText, detect, path);
    displayChanged();
}
