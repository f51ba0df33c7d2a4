#pragma once

#include <functional>

// The program's entry, shared by the real program and the demo: high-DPI
// set-up, the application, meta types, fonts, the window and the event loop.
// `beforeWindow` runs once the application exists, before the window is
// built (the demo attaches its simulated instrument and shows its panel there,
// so the instrument is already "plugged in" when the program starts).
int runLoopTester(int& argc, char** argv, const std::function<void()>& beforeWindow = {});
