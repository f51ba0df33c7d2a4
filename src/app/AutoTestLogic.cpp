#include "AutoTestLogic.h"

#include <QtGlobal>

namespace autotestlogic {

int pauseEndFrame(int pauseMs)
{
    return qMax(0, pauseMs / 1000 - 1);
}

int countdownSeconds(int frame, int startFrame, int endFrame, int pauseMs)
{
    const int frames = endFrame - startFrame + 1;
    if (frames <= 0 || frame == endFrame - 1)
        return 0;
    const double seconds = pauseMs / 1000.0;
    // frame × T / F rather than (frame / F) × T: whole frames times whole
    // seconds stay exact, so a frame never shows a second less than it should.
    return int(seconds - frame * seconds / frames);
}

} // namespace autotestlogic
