#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// An .xlsx workbook of one worksheet holding text cells, written through
// libxlsxwriter. Every cell shares one format: centred horizontally and
// vertically, text wrapped, so remarks with line breaks show as typed.
//
// Saving is all or nothing, as with QSaveFile: the workbook is written to a
// temporary file in the target's folder and renamed over the target only
// when complete, so a failed save leaves an earlier file of that name as it
// was. The first failure sticks: later calls do nothing, save() returns
// false and errorString() tells the operator why.
//
// Rows are streamed to disk as they are finished, which keeps memory flat
// for long tables; rows must therefore be written in ascending order.
class Workbook
{
    Q_DECLARE_TR_FUNCTIONS(Workbook)

public:
    explicit Workbook(const QString& fileName);
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Rows and columns count from 0. Characters a workbook cannot hold (NUL
    // and other fill bytes from the instrument) are left out of the file.
    bool writeText(int row, int column, const QString& text);
    // A number cell, in the same format as the texts.
    bool writeNumber(int row, int column, double value);
    // A line chart drawn by the spreadsheet from cells of this sheet, placed
    // with its top left corner at (row, column). Each series takes its name
    // from a cell and its values from a column range; all share the
    // categories of one column range. Gaps between values are bridged.
    struct ChartSeries
    {
        int nameRow = 0;
        int nameColumn = 0;
        int valueColumn = 0;
    };
    bool insertLineChart(int row, int column, int titleRow, int titleColumn, int firstRow,
                         int lastRow, int categoryColumn, const QVector<ChartSeries>& series);
    // Width in the spreadsheet's character units.
    bool setColumnWidth(int column, double width);
    bool save();

    QString fileName() const { return m_fileName; }
    QString errorString() const { return m_error; }

private:
    bool reserveTemporary();
    bool cellInRange(int row, int column);
    bool fail(const QString& reason);
    void discard();

    QString m_fileName;
    QString m_tempName;
    QString m_error;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_format = nullptr;
    bool m_saved = false;
};
