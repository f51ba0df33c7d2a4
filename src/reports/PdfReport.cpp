#include "PdfReport.h"

#include "ExportPaths.h"
#include "FileText.h"
#include "PdfLayout.h"
#include "PdfText.h"
#include "ReportsLog.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLoggingCategory>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

using pdflayout::rowStep;
using pdflayout::Span;

// The report's own face, which holds Latin and Simplified Chinese alike. The
// PDF writer names each embedded glyph by the first code point the font maps
// to it; faces that share a glyph between an ideograph and its radical (用 and
// U+2F64 in Noto Sans CJK) would make a copied or searched 用 come out as the
// radical. This one gives every ideograph a glyph of its own.
const QString reportFamily = QStringLiteral("WenQuanYi Micro Hei");

QString clean(const QString& text)
{
    return filetext::forPdf(text);
}

void cleanAll(std::initializer_list<QString*> texts)
{
    for (QString* text : texts)
        *text = clean(*text);
}

} // namespace

PdfReport::PdfReport(const PdfSettingData& settingData, const LiveSnapshot& liveSnapshot,
                     const QAbstractItemModel* recordModel)
    : settings(settingData), live(liveSnapshot), records(recordModel),
      titleFont(reportFamily, 14, 75, false), headingFont(reportFamily, 12, 57, false),
      labelFont(reportFamily, 11, 50, false), valueFont(reportFamily, 11, 25, false),
      recordFont(reportFamily, 14, 57, false), remarkFont(reportFamily, 11, 25, false),
      rulePen(QBrush(Qt::black, Qt::SolidPattern), 4.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin)
{
    const QString found = QFontInfo(titleFont).family();
    if (found != reportFamily)
        qCWarning(lcReports) << "the report's font" << reportFamily << "is missing, using" << found
                             << "(copied text may come out wrong): install fonts-wqy-microhei";
    PdfSettingData& s = settings;
    cleanAll({&s.companyName, &s.userName, &s.contact, &s.testerName, &s.testerModel,
              &s.testerVersion, &s.testObjName, &s.scene});
    LiveSnapshot& l = live;
    cleanAll({&l.comparisonCaption, &l.comparisonValue, &l.comparisonUnit, &l.currentSettingCaption,
              &l.currentSetting, &l.testingTimeCaption, &l.testingTime, &l.testStatus,
              &l.testingRes, &l.comparativeResult, &l.storeNumberCaption, &l.storeNumber,
              &l.testingCurrentCaption, &l.testingCurrent, &l.timeLeftCaption, &l.timeLeft,
              &l.remark});
}

QString PdfReport::proposedFileName(const DeviceInfo& device, const QDateTime& now)
{
    qCDebug(lcReports) << "model" << device.model;
    const QString folder = exportpaths::modelFolder(device.model);
    QDir().mkpath(folder); // a missing folder shows up when the file is written
    return exportpaths::defaultFileName(folder, now, QStringLiteral("pdf"));
}

bool PdfReport::write(const QString& path, QString* reason) const
{
    const auto fail = [&](const QString& why) {
        qCWarning(lcReports) << "report not written:" << path << why;
        if (reason)
            *reason = why;
        return false;
    };
    qCDebug(lcReports) << "writing" << path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    bool drawn = false;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setPageMargins(QMarginsF(30, 30, 30, 30)); // in the writer's unit: points
        qCDebug(lcReports) << "page size" << writer.width() << writer.height();
        drawn = drawReport(&writer);
    } // the writer finishes the PDF when it goes
    if (!drawn) {
        file.cancelWriting();
        return fail(tr("无法绘制报告"));
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool PdfReport::drawReport(QPagedPaintDevice* pageDevice) const
{
    QPainter painter;
    if (!painter.begin(pageDevice))
        return false;
    qCDebug(lcReports) << "viewport" << painter.viewport();
    const pdflayout::PageColumns page = pdflayout::pageColumns(painter.viewport());
    const int w = page.width;
    const int half = page.half;
    int y = 10;

    if (live.livePageCurrent) {
        painter.setFont(titleFont);
        painter.drawText(QRect(0, y, w, 100), Qt::AlignHCenter | Qt::AlignVCenter,
                         tr("回路电阻测量报告"));
    }
    y += 200;
    const std::vector<Span> halves{{0, half - 100}, {half, w - half}};
    painter.setFont(headingFont);
    painter.drawText(QRect(halves[0].x, y, halves[0].width, 100), Qt::AlignLeft, tr("用户信息"));
    painter.drawText(QRect(halves[1].x, y, halves[1].width, 100), Qt::AlignLeft, tr("测试仪信息"));
    y += 100;
    painter.setPen(rulePen);
    for (const Span& s : halves)
        painter.drawLine(s.x, y, s.right(), y);
    drawFields(&painter, halves,
               {{{tr("公司："), settings.companyName}, {tr("名称："), settings.testerName}},
                {{tr("姓名："), settings.userName}, {tr("型号："), settings.testerModel}},
                {{tr("联系方式："), settings.contact}, {tr("版本："), settings.testerVersion}}},
               y);

    drawSectionTitle(&painter, tr("测量信息"), y, w);
    drawFields(&painter, {{0, w}},
               {{{tr("名称："), settings.testObjName}}, {{tr("场景："), settings.scene}}}, y);

    // No reading since the last reset: there is no current data to show.
    if (!live.testStatus.isEmpty())
        drawCurrentData(pageDevice, &painter, y);
    drawRecordPages(pageDevice, &painter, records, remarkColumn);
    return painter.end();
}

void PdfReport::drawSectionTitle(QPainter* painter, const QString& title, int& y, int width) const
{
    y += rowStep;
    painter->setFont(headingFont);
    painter->drawText(QRect(0, y, width, rowStep), Qt::AlignLeft, title);
    y += rowStep;
    painter->setPen(rulePen);
    painter->drawLine(0, y, width, y);
}

void PdfReport::drawFields(QPainter* painter, const std::vector<Span>& columns,
                           const QVector<QVector<Field>>& rows, int& y) const
{
    QPaintDevice* device = painter->device();
    const QFontMetricsF labelMetrics(labelFont, device);
    const QFontMetricsF valueMetrics(valueFont, device);
    std::vector<int> valueXs;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        qreal widestLabel = 0;
        qreal widestValue = 0;
        for (const auto& row : rows) {
            widestLabel =
                qMax(widestLabel, labelMetrics.horizontalAdvance(row.value(int(c)).label));
            widestValue =
                qMax(widestValue, valueMetrics.horizontalAdvance(row.value(int(c)).value));
        }
        valueXs.push_back(pdflayout::valueX(columns[c], widestLabel, widestValue));
    }
    const auto drawLines = [&](const QStringList& lines, int x, int baseline) {
        for (const QString& line : lines) {
            painter->drawText(QPointF(x, baseline), line);
            baseline += rowStep;
        }
    };
    for (const auto& row : rows) {
        y += rowStep;
        int lineCount = 1;
        for (std::size_t c = 0; c < columns.size() && int(c) < row.size(); ++c) {
            const Span& column = columns[c];
            const int valueX = valueXs[c];
            const Field& field = row.at(int(c));
            const QStringList labelLines = pdftext::wrappedLines(
                field.label, labelFont, device, valueX - column.x - pdflayout::labelGap);
            const QStringList valueLines =
                pdftext::wrappedLines(field.value, valueFont, device, column.right() - valueX);
            painter->setFont(labelFont);
            drawLines(labelLines, column.x, y);
            painter->setFont(valueFont);
            drawLines(valueLines, valueX, y);
            lineCount = qMax(lineCount, int(qMax(labelLines.size(), valueLines.size())));
        }
        y += (lineCount - 1) * rowStep;
    }
}

void PdfReport::drawCurrentData(QPagedPaintDevice* pageDevice, QPainter* painter, int& y) const
{
    const int w = pdflayout::pageColumns(painter->viewport()).width;

    drawSectionTitle(painter, tr("当前数据"), y, w);
    drawFields(painter, {{0, w}},
               {{{tr("记录时间："), live.takenAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))}}},
               y);
    y += rowStep;
    painter->setFont(headingFont);
    painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("数据"));
    y += rowStep;
    if (!live.livePageCurrent)
        return;

    const QString colon = tr("：");
    const QString comparison =
        live.comparisonOn ? live.comparisonValue + live.comparisonUnit : QString();
    drawFields(painter, pdflayout::columns({0, w}, 3, pdflayout::columnGap),
               {{{live.comparisonCaption + colon, comparison},
                 {tr("测试状态："), live.testStatus},
                 {live.storeNumberCaption + colon, live.storeNumber}},
                {{live.currentSettingCaption + colon, live.currentSetting},
                 {tr("测试电阻："), live.testingRes},
                 {live.testingCurrentCaption + colon, live.testingCurrent}},
                {{live.testingTimeCaption + colon, live.testingTime},
                 {tr("比较结果："), live.comparativeResult},
                 {live.timeLeftCaption + colon, live.timeLeft}}},
               y);
    drawRemark(pageDevice, painter, live.remark, y);
}

void PdfReport::drawRecordPages(QPagedPaintDevice* pageDevice, QPainter* painter,
                                const QAbstractItemModel* model, int remarkCol) const
{
    if (!model || model->rowCount() == 0)
        return;
    const int columnCount = model->columnCount();
    QStringList headers;
    for (int c = 0; c < columnCount; ++c)
        headers << clean(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    QVector<QStringList> rows;
    rows.reserve(model->rowCount());
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columnCount; ++c)
            cells << clean(model->index(r, c).data(Qt::DisplayRole).toString());
        rows.append(cells);
    }

    // The record's values under "数据", as pairs of table columns side by
    // side: testing time and resistance, current set and comparison value,
    // testing current and comparative result.
    const int dataColumns[][2] = {{2, 5}, {3, 6}, {4, 7}};
    // The colon after a table header is the language's own, as on the first page.
    const QString colon = tr("：");
    for (const QStringList& cells : qAsConst(rows)) {
        pageDevice->newPage();
        int y = 10;
        const pdflayout::PageColumns page = pdflayout::pageColumns(painter->viewport());
        const int w = page.width;
        painter->setFont(recordFont);
        painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("记录 %1").arg(cells.value(0)));
        y += rowStep;
        painter->setPen(rulePen);
        painter->drawLine(0, y, w, y);
        drawFields(painter, {{0, w}}, {{{tr("记录时间："), cells.value(1)}}}, y);
        // What was measured, when the table carries it.
        if (columnCount > pointColumn)
            drawFields(painter, pdflayout::columns({0, w}, 2, pdflayout::columnGap),
                       {{{headers.value(objectColumn) + colon, cells.value(objectColumn)},
                         {headers.value(pointColumn) + colon, cells.value(pointColumn)}}},
                       y);
        y += rowStep;
        painter->setFont(headingFont);
        painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("数据"));
        y += rowStep;
        QVector<QVector<Field>> data;
        for (const auto& pair : dataColumns) {
            QVector<Field> row;
            for (int c : pair)
                row.append({headers.value(c) + colon, cells.value(c)});
            data.append(row);
        }
        drawFields(painter, pdflayout::columns({page.colW, w - page.colW}, 2, pdflayout::columnGap),
                   data, y);
        drawRemark(pageDevice, painter, cells.value(remarkCol), y);
    }
}

void PdfReport::drawRemark(QPagedPaintDevice* pageDevice, QPainter* painter, const QString& text,
                           int& y) const
{
    const int w = pdflayout::pageColumns(painter->viewport()).width;
    y += rowStep;
    painter->setFont(headingFont);
    painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("备注"));
    painter->setFont(remarkFont);
    y += rowStep;

    const QStringList lines =
        pdftext::wrappedLines(text, remarkFont, pageDevice, w - pdflayout::remarkRightGap);
    const auto places = pdflayout::remarkPlaces(lines.size(), y, pageDevice->height());
    for (int i = 0; i < lines.size(); ++i) {
        if (places[std::size_t(i)].newPage)
            pageDevice->newPage();
        painter->drawText(QRectF(0, places[std::size_t(i)].y, w, rowStep), Qt::AlignLeft,
                          lines.at(i));
    }
}
