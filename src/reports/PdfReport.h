#pragma once

#include "LiveSnapshot.h"
#include "PdfLayout.h"
#include "PdfSettingData.h"
#include "Records.h"

#include <QCoreApplication>
#include <QFont>
#include <QPen>
#include <QString>
#include <QVector>

#include <vector>

class QAbstractItemModel;
class QDateTime;
class QPagedPaintDevice;
class QPainter;

// The measurement report: a first page with the title, the user and tester
// information, the measurement information and the current data, then one
// page per live record. Texts and ruled lines only.
//
// Fed with plain values taken when the export starts; the record model must
// outlive the report. Texts are cleaned of characters a PDF cannot show (the
// instrument's fill bytes) before they are drawn.
//
// Its texts are the main window's: the operator meets them as part of the
// window, so they share its translation context.
class PdfReport
{
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // The record table's column of the remark.
    static constexpr int remarkColumn = 8;
    // The columns of what was measured, when the table has them.
    static constexpr int objectColumn = 9;
    static constexpr int pointColumn = 10;

    PdfReport(const PdfSettingData& settings, const LiveSnapshot& live,
              const QAbstractItemModel* records);

    // The file proposed for the report of the given instrument: its model's
    // folder in the documents location (created here) and a name stamped with
    // the given time.
    static QString proposedFileName(const DeviceInfo& device, const QDateTime& now);

    // Writes the report as an A4 PDF at 300 dpi with 30 pt margins. Writes to a
    // temporary file beside path and renames it into place, so an earlier file
    // survives a failure. On failure returns false and, if reason is given,
    // says why.
    bool write(const QString& path, QString* reason = nullptr) const;

    // The drawing, in device pixels; y is the running vertical position.
    bool drawReport(QPagedPaintDevice* device) const;
    void drawSectionTitle(QPainter* painter, const QString& title, int& y, int width) const;
    void drawCurrentData(QPagedPaintDevice* device, QPainter* painter, int& y) const;
    void drawRecordPages(QPagedPaintDevice* device, QPainter* painter,
                         const QAbstractItemModel* model, int remarkColumn) const;
    void drawRemark(QPagedPaintDevice* device, QPainter* painter, const QString& text,
                    int& y) const;

    // A label and its value.
    struct Field
    {
        QString label;
        QString value;
    };
    // Rows of fields set in columns, one field per column in each row. A
    // column's values start after its widest label; labels and values wrap
    // within their room, and a row is as tall as its tallest field.
    void drawFields(QPainter* painter, const std::vector<pdflayout::Span>& columns,
                    const QVector<QVector<Field>>& rows, int& y) const;

private:
    PdfSettingData settings;
    LiveSnapshot live;
    const QAbstractItemModel* records;

    QFont titleFont;
    QFont headingFont;
    QFont labelFont;
    QFont valueFont;
    QFont recordFont;
    QFont remarkFont;
    QPen rulePen;
};
