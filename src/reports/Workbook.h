#pragma once

#include <QCoreApplication>
#include <QString>

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
