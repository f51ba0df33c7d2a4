#pragma once

#include "History.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

// The history of one object written out: a workbook with its records, a
// table of the points by day and a line chart the spreadsheet draws from that
// table; and a PDF with the trend plot and both tables.
//
// Every name and text is written as text (a name beginning with "=" stays a
// name), files are replaced only when complete, and a failure says why.
class HistoryExport
{
    Q_DECLARE_TR_FUNCTIONS(HistoryExport)

public:
    // `analysis` must outlive the export.
    HistoryExport(const QString& object, const history::Analysis& analysis,
                  const history::Thresholds& thresholds);

    // The records, grouped by point, as the tables show them.
    QStringList recordHeaders() const;
    QVector<QStringList> recordRows() const;
    // One row per day: the date, each point's reading in μΩ, the spread.
    QStringList dayHeaders() const;
    QVector<QStringList> dayRows() const;

    bool writeWorkbook(const QString& path, QString* reason = nullptr) const;
    bool writePdf(const QString& path, QString* reason = nullptr) const;

    // Sheet layout, for those who read the workbook back: the object's
    // caption in A1, the headers in row 2, the records from column A and the
    // day table from column kDayColumn, both from row 3.
    static constexpr int kDayColumn = 8;

private:
    QString caption() const;

    QString object_;
    const history::Analysis& analysis_;
    history::Thresholds thresholds_;
};
