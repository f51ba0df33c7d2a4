#pragma once

// The automatic run's pure arithmetic, kept apart from the window so tests
// reach it without one.
namespace autotestlogic {

// Last frame of the pause's time line (frames run from 0): one frame per
// whole second of the pause, and at least the one frame 0, so that a pause
// shorter than two seconds still has a countdown to show.
int pauseEndFrame(int pauseMs);

// Whole seconds the countdown shows at `frame` of a pause of `pauseMs`
// running over frames startFrame … endFrame. The frame before the last shows
// 0, so the count reaches zero before the pause ends; the last frame, reached
// only as the pause ends, shows what the proportion gives.
int countdownSeconds(int frame, int startFrame, int endFrame, int pauseMs);

} // namespace autotestlogic
