// loop-tester-cli: the instrument from a terminal and from scripts, over the
// real USB HID library.
#include "CliMain.h"

int main(int argc, char* argv[])
{
    return runCli(argc, argv);
}
