#include "History.h"

#include <QCollator>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace history {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString cleanName(const QString& text, int longest)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            out += c;
    }
    out = out.trimmed();
    if (out.size() > longest) {
        out.truncate(longest);
        if (out.at(longest - 1).isHighSurrogate())
            out.chop(1);
        out = out.trimmed();
    }
    return out;
}

} // namespace

Journal::Subject cleanSubject(const Journal::Subject& subject)
{
    return {cleanName(subject.object, kObjectLength), cleanName(subject.point, kPointLength)};
}

double microOhms(const QString& text)
{
    static const QRegularExpression reading(
        QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]*)?)\\s*([μµum]?)Ω\\s*$"));
    const QRegularExpressionMatch m = reading.match(text);
    if (!m.hasMatch())
        return kNaN;
    const double value = m.captured(1).toDouble();
    const QString prefix = m.captured(2);
    if (prefix == QLatin1String("m"))
        return value * 1e3;
    if (prefix.isEmpty())
        return value * 1e6;
    return value;
}

Analysis analyse(const QVector<Journal::Record>& records, const Thresholds& thresholds)
{
    Analysis out;
    // Points in natural order: "2" before "10", "L1" before "L2".
    QCollator collator;
    collator.setNumericMode(true);
    QStringList names;
    QMap<QString, int> pointOf;
    for (const Journal::Record& r : records) {
        if (!pointOf.contains(r.subject.point)) {
            pointOf.insert(r.subject.point, 0);
            names << r.subject.point;
        }
    }
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    for (int i = 0; i < names.size(); ++i) {
        pointOf[names.at(i)] = i;
        out.points.append(PointHistory{names.at(i), {}});
    }

    // Oldest first whatever order the records came in.
    QVector<const Journal::Record*> ordered;
    ordered.reserve(records.size());
    for (const Journal::Record& r : records)
        ordered << &r;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Journal::Record* a, const Journal::Record* b) {
                         return a->recordedAt < b->recordedAt;
                     });

    QVector<double> first(names.size(), kNaN);
    QMap<QDate, int> dayIndex;
    for (const Journal::Record* r : qAsConst(ordered)) {
        const int p = pointOf.value(r->subject.point);
        Reading reading;
        reading.record = r;
        reading.at = r->recordedAt.toLocalTime();
        reading.microOhm = microOhms(r->cells.value(5));
        reading.comparisonMicroOhm = microOhms(r->cells.value(6));
        out.anyComparison = out.anyComparison || !std::isnan(reading.comparisonMicroOhm);
        reading.changePercent = kNaN;
        if (!std::isnan(reading.microOhm)) {
            if (std::isnan(first[p]))
                first[p] = reading.microOhm;
            else if (first[p] > 0)
                reading.changePercent = (reading.microOhm - first[p]) / first[p] * 100.0;
            reading.changeFlagged = std::abs(reading.changePercent) > thresholds.changePercent;

            const QDate day = reading.at.date();
            if (!dayIndex.contains(day)) {
                dayIndex.insert(day, out.days.size());
                out.days.append(DaySpread{day, QVector<double>(names.size(), kNaN), kNaN, false});
            }
            out.days[dayIndex.value(day)].microOhm[p] = reading.microOhm; // the day's last
        }
        out.points[p].readings.append(reading);
    }

    for (DaySpread& d : out.days) {
        double lo = kNaN;
        double hi = kNaN;
        int measured = 0;
        for (double v : qAsConst(d.microOhm)) {
            if (std::isnan(v))
                continue;
            ++measured;
            lo = std::isnan(lo) ? v : std::min(lo, v);
            hi = std::isnan(hi) ? v : std::max(hi, v);
        }
        if (measured >= 2 && lo > 0) {
            d.spreadPercent = (hi - lo) / lo * 100.0;
            d.flagged = d.spreadPercent > thresholds.spreadPercent;
        }
    }
    return out;
}

} // namespace history
