#pragma once

#include <functional>

// What sets one build of the program apart: the application name, which
// names the folder of its settings and its journal, and a note its window's
// title carries (a source text of MainWindow's translation context).
struct AppEdition
{
    const char* applicationName = "loop-tester";
    const char* titleNote = nullptr;
};

// The program's entry, shared by the real program and the demo: high-DPI
// set-up, the application, meta types, fonts, the window and the event loop.
// `beforeWindow` runs once the application exists, before the window is
// built (the demo attaches its simulated instrument and shows its panel there,
// so the instrument is already "plugged in" when the program starts).
int runLoopTester(int& argc, char** argv, const std::function<void()>& beforeWindow = {},
                  const AppEdition& edition = {});
