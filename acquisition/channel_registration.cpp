#include "acquisition/channel_registration.h"

#include <utility>

namespace orvex {

RegistrationRectangle ChannelRegistration(const CALMAG& c, int width, int height,
                                          const StageReadings& stage) {
    RegistrationRectangle r;
    const double toMicrons = c.stageToMicrons;
    if (c.scanType == SCAN_STAGE || c.scanType == SCAN_HYBRID) {
        r.left = stage.xLow * toMicrons;
        r.right = stage.xHigh * toMicrons;
        r.bottom = stage.yLow * toMicrons;
        r.top = stage.yHigh * toMicrons;
    } else {
        const double cx = stage.x * toMicrons, cy = stage.y * toMicrons;
        const double halfWidth = (width - 1) * c.umPerPixelX * 0.5;
        const double halfHeight = (height - 1) * c.umPerPixelY * 0.5;
        r.left = cx - halfWidth;
        r.right = cx + halfWidth;
        r.bottom = cy - halfHeight;
        r.top = cy + halfHeight;
    }
    if (c.registrationXPolarity) std::swap(r.left, r.right);
    if (c.registrationYPolarity) std::swap(r.bottom, r.top);
    return r;
}

}  // namespace orvex
