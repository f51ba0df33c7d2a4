// loop-tester-cli's command line, fuzzed: CliArguments::parse on any list of
// arguments. Checks what the commands rely on for any input: a parse ends in a
// request, help, the version or a usage error, each with its text; a request
// holds only values the instrument accepts (the current list, 1-255 s, a
// comparison value the instrument can show, intervals and time-outs within
// their documented ranges); parsing is repeatable; a comparison text that is
// accepted gives a finite value and a known unit.
//
// Input: the arguments after the program name, separated by zero bytes, each
// read as UTF-8 (as QCoreApplication::arguments() decodes them on Linux).
#include "CliArguments.h"

#include <cmath>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void checkRequest(const CliRequest& r)
{
    using C = CliRequest::Command;
    if (r.command == C::Watch || r.command == C::Test) {
        check(r.intervalMs >= 50 && r.intervalMs <= 60000);
        check(r.count >= 0);
        check(r.timeoutSeconds >= 0 && r.timeoutSeconds <= 86400);
    }
    if (r.command == C::Set) {
        check(r.currentAmps == 0 || r.currentAmps == 5 ||
              (r.currentAmps >= 10 && r.currentAmps <= 200 && r.currentAmps % 10 == 0));
        check(r.currentIndex == r.currentAmps / 10);
        check(r.timeSeconds >= 0 && r.timeSeconds <= 255);
        if (r.comparison == CliRequest::Comparison::On) {
            check(std::isfinite(r.comparisonValue) && r.comparisonValue >= 0 &&
                  r.comparisonValue <= 9999.9);
            check(r.comparisonDecimals >= 0 && r.comparisonDecimals <= 5);
            check(r.comparisonUnit == 0 || r.comparisonUnit == 1);
        }
        check(r.currentAmps != 0 || r.timeSeconds != 0 ||
              r.comparison != CliRequest::Comparison::Unchanged);
    }
    if (r.command == C::ReadStore && r.storeFormat == CliRequest::StoreFormat::Xlsx)
        check(!r.outputFile.isEmpty());
    check(r.device.isNull() || !r.device.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList arguments{QStringLiteral("loop-tester-cli")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    if (!bytes.isEmpty())
        for (const QByteArray& a : bytes.split('\0'))
            arguments << QString::fromUtf8(a);

    const CliParse p = CliArguments::parse(arguments);
    if (p.kind == CliParse::Kind::Run) {
        check(p.text.isEmpty());
        checkRequest(p.request);
    } else {
        check(!p.text.isEmpty());
    }
    const CliParse again = CliArguments::parse(arguments);
    check(again.kind == p.kind && again.text == p.text);

    for (int i = 1; i < arguments.size(); ++i) {
        double value = -1;
        int unit = -1;
        if (CliArguments::parseComparison(arguments.at(i), &value, &unit))
            check(std::isfinite(value) && value >= 0 && (unit == 0 || unit == 1));
    }
    return 0;
}
