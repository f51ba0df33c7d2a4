#include "HistoryChart.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace QtCharts;

QChart* HistoryChart::build(const history::Analysis& analysis)
{
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy-MM-dd"));
    time->setTitleText(tr("日期"));
    auto* value = new QValueAxis;
    value->setTitleText(tr("电阻（μΩ）"));
    value->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(value, Qt::AlignLeft);

    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    double top = 0.0;
    auto include = [&](qint64 at, double v) {
        first = std::min(first, at);
        last = std::max(last, at);
        top = std::max(top, v);
    };

    QVector<QPointF> comparison;
    for (const history::PointHistory& p : analysis.points) {
        auto* line = new QLineSeries;
        line->setName(p.point);
        line->setPointsVisible(true);
        for (const history::Reading& r : p.readings) {
            const qint64 at = r.at.toMSecsSinceEpoch();
            if (!std::isnan(r.microOhm)) {
                line->append(at, r.microOhm);
                include(at, r.microOhm);
            }
            if (!std::isnan(r.comparisonMicroOhm)) {
                comparison << QPointF(at, r.comparisonMicroOhm);
                include(at, r.comparisonMicroOhm);
            }
        }
        chart->addSeries(line);
        line->attachAxis(time);
        line->attachAxis(value);
    }
    if (!comparison.isEmpty()) {
        std::stable_sort(comparison.begin(), comparison.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        auto* line = new QLineSeries;
        line->setName(tr("比较值"));
        QPen pen(Qt::red);
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        line->setPen(pen);
        line->replace(comparison);
        chart->addSeries(line);
        line->attachAxis(time);
        line->attachAxis(value);
    }

    if (first <= last) {
        // A day on each side, so a single date is not a point on the frame.
        constexpr qint64 kDay = 24 * 3600 * 1000;
        time->setRange(QDateTime::fromMSecsSinceEpoch(first - kDay),
                       QDateTime::fromMSecsSinceEpoch(last + kDay));
        value->setRange(0.0, top > 0 ? top * 1.15 : 1.0);
        value->applyNiceNumbers();
    }
    return chart;
}
