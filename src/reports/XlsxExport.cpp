#include "XlsxExport.h"

#include "Workbook.h"

#include <QAbstractItemModel>

#include <algorithm>
#include <functional>

namespace xlsxexport {
namespace {

using CellText = std::function<QString(int row, int column)>;

// In character widths: room for a date and time.
constexpr double kColumnWidth = 20.0;

// Widths first, then the rows in order: the workbook streams each row to
// disk once the next one starts.
bool writeTable(const QStringList& headers, int rowCount, int columnCount, const CellText& cell,
                const QString& fileName, QString* errorString)
{
    Workbook book(fileName);
    bool ok = true;
    for (int c = 0; ok && c < columnCount; ++c)
        ok = book.setColumnWidth(c, kColumnWidth);
    for (int c = 0; ok && c < headers.size(); ++c)
        ok = book.writeText(0, c, headers.at(c));
    for (int r = 0; ok && r < rowCount; ++r) {
        for (int c = 0; ok && c < columnCount; ++c)
            ok = book.writeText(r + 1, c, cell(r, c));
    }
    ok = ok && book.save();
    if (!ok && errorString)
        *errorString = book.errorString();
    return ok;
}

} // namespace

bool exportTable(const QAbstractItemModel& model, const QString& fileName, QString* errorString,
                 int columnCount)
{
    const int columns =
        columnCount < 0 ? model.columnCount() : std::min(columnCount, model.columnCount());
    QStringList headers;
    headers.reserve(columns);
    for (int c = 0; c < columns; ++c)
        headers.append(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    const CellText cell = [&model](int row, int column) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    };
    return writeTable(headers, model.rowCount(), columns, cell, fileName, errorString);
}

bool exportTable(const QStringList& headers, const QVector<QStringList>& rows,
                 const QString& fileName, QString* errorString)
{
    int columns = headers.size();
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    const CellText cell = [&rows](int row, int column) {
        const QStringList& texts = rows.at(row);
        return column < texts.size() ? texts.at(column) : QString();
    };
    return writeTable(headers, int(rows.size()), columns, cell, fileName, errorString);
}

} // namespace xlsxexport
