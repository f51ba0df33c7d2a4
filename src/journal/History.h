#pragma once

#include "Journal.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

// The history of one measured object worked out from its journal records:
// the records grouped by measuring point, each record's change from the
// first record of its point, and for each day the spread between the points.
// Pure functions of the records; the window, the plot and the exports show
// what they return.
namespace history {

// Longest object and point names kept, in characters.
constexpr int kObjectLength = 64;
constexpr int kPointLength = 32;

// Object and point as they are stored: line breaks and tabs become spaces,
// other control characters go, the ends are trimmed and the rest is cut to
// the longest name kept (never inside a surrogate pair).
Journal::Subject cleanSubject(const Journal::Subject& subject);

// A resistance text as the live table shows it ("125.4 μΩ", "1.25mΩ") in
// μΩ; NaN for anything that is not a reading ("OL", "LO", empty).
double microOhms(const QString& text);

struct Thresholds
{
    double spreadPercent = 50.0;
    double changePercent = 20.0;
};

struct Reading
{
    const Journal::Record* record = nullptr; // into the records analysed
    QDateTime at;                            // local time
    double microOhm = 0.0;                   // NaN: not a reading
    double comparisonMicroOhm = 0.0;         // NaN: the record carries none
    double changePercent = 0.0;              // from the first reading of the point; NaN for none
    bool changeFlagged = false;              // |change| above the threshold
};

struct PointHistory
{
    QString point;
    QVector<Reading> readings; // oldest first
};

// The points measured on one day, each with its last reading of that day.
struct DaySpread
{
    QDate day;
    QVector<double> microOhm;   // per point of Analysis::points; NaN where not measured
    double spreadPercent = 0.0; // (max - min) / min; NaN below two readings
    bool flagged = false;
};

struct Analysis
{
    QVector<PointHistory> points; // by point name
    QVector<DaySpread> days;      // oldest first
    bool anyComparison = false;
};

// `records` must outlive the result (readings point into it).
Analysis analyse(const QVector<Journal::Record>& records, const Thresholds& thresholds = {});

} // namespace history
