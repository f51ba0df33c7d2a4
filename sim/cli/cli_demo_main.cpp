// loop-tester-cli-demo: the command-line program linked to the simulated
// instrument. The instruments it finds are set up from environment
// variables; see CliDemoSetup.h.
#include "CliDemoSetup.h"
#include "CliMain.h"

int main(int argc, char* argv[])
{
    return runCli(argc, argv, [] { return sim::setUpCliDemo(); });
}
