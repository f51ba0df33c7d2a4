#pragma once

#include <QString>

// One run of loop-tester-cli as its command line asks for it, checked and
// converted: what the commands work from.
struct CliRequest
{
    enum class Command
    {
        List,
        Info,
        Watch,
        Set,
        Test,
        ReadStore,
    };
    enum class Output
    {
        Text,
        Json,
        Csv,
    };
    enum class StoreFormat
    {
        Csv,
        Json,
        Xlsx,
    };
    enum class Comparison
    {
        Unchanged,
        Off,
        On,
    };

    Command command = Command::List;
    QString device; // empty: the only instrument attached
    Output output = Output::Text;

    // watch and test
    int intervalMs = 500;
    int count = 0; // 0: until interrupted or unplugged

    // set
    int currentAmps = 0;  // 0: unchanged
    int currentIndex = 0; // the instrument's index for currentAmps
    int timeSeconds = 0;  // 0: unchanged
    Comparison comparison = Comparison::Unchanged;
    double comparisonValue = 0; // rounded as the instrument shows it
    int comparisonDecimals = 0;
    int comparisonUnit = 0; // 0 μΩ, 1 mΩ

    // test
    int timeoutSeconds = 0; // 0: the test time plus a margin
    QString remark;

    // read-store
    QString outputFile; // empty: standard output
    StoreFormat storeFormat = StoreFormat::Csv;
};
