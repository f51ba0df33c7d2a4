#pragma once

#include <QString>

#include <functional>

// The entry of loop-tester-cli, shared by the real program and its demo
// build: the application, the C locale, the command line, the link and the
// command. `setUp` runs once the command line is known to ask for a command
// and before the link is made (the demo build sets up its simulated
// instruments there); a text it returns is a usage error.
int runCli(int& argc, char** argv, const std::function<QString()>& setUp = {});
