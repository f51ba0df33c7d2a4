#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;

// A record table written to an .xlsx workbook: the header texts in the first
// row, then one sheet row per table row, every value as the text the table
// shows (numbers and dates included), every used column 20 characters wide.
// Rows without data stay in the sheet as empty cells, so sheet row n + 1 is
// always table row n.
//
// The file is replaced only by a complete workbook. On failure the function
// returns false, puts a reason fit for the operator in *errorString (when
// given) and leaves any earlier file of that name as it was.
namespace xlsxexport {

// The table's horizontal header texts and the display texts of its cells;
// of its first `columnCount` columns only when that is not negative.
bool exportTable(const QAbstractItemModel& model, const QString& fileName,
                 QString* errorString = nullptr, int columnCount = -1);

// The same from plain texts, for a program without item models.
bool exportTable(const QStringList& headers, const QVector<QStringList>& rows,
                 const QString& fileName, QString* errorString = nullptr);

} // namespace xlsxexport
