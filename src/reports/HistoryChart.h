#pragma once

#include "History.h"

#include <QCoreApplication>

namespace QtCharts {
class QChart;
}

// The trend of one object: resistance against date, one line per measuring
// point, and the comparison values as a dashed line where records carry one.
// The same chart is shown in the history window and printed in its report.
class HistoryChart
{
    Q_DECLARE_TR_FUNCTIONS(HistoryChart)

public:
    // A new chart (the caller owns it): one line series per point of
    // `analysis`, in its order, holding (time in ms since the epoch, μΩ) of
    // each reading; then the comparison series when any record has one.
    static QtCharts::QChart* build(const history::Analysis& analysis);
};
