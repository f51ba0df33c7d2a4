#include "PdfReport.h"

#include "ExportPaths.h"
#include "FileText.h"
#include "PdfLayout.h"
#include "ReportsLog.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QFontMetricsF>
#include <QLoggingCategory>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

using pdflayout::rowStep;

// The family the report asks for; start-up maps it to fonts that hold both
// Latin digits and Simplified Chinese.
const QString reportFamily = QStringLiteral("Microsoft Yahei");

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
    const int colW = page.colW;
    const int half = page.half;
    int y = 10;

    if (live.livePageCurrent) {
        painter.setFont(titleFont);
        painter.drawText(QRect(0, y, w, 100), Qt::AlignHCenter | Qt::AlignVCenter,
                         tr("回路电阻测量报告"));
    }
    y += 200;
    painter.setFont(headingFont);
    painter.drawText(QRect(0, y, half, 100), Qt::AlignLeft, tr("用户信息"));
    painter.drawText(QRect(half, y, half, 100), Qt::AlignLeft, tr("测试仪信息"));
    y += 100;
    painter.setPen(rulePen);
    painter.drawLine(0, y, half - 100, y);
    painter.drawLine(half, y, w, y);

    const QString info[3][4] = {
        {tr("公司："), settings.companyName, tr("名称："), settings.testerName},
        {tr("姓名："), settings.userName, tr("型号："), settings.testerModel},
        {tr("联系方式："), settings.contact, tr("版本："), settings.testerVersion},
    };
    for (const auto& row : info) {
        y += rowStep;
        painter.setFont(labelFont);
        painter.drawText(QPointF(0, y), row[0]);
        painter.drawText(QPointF(4 * colW + 120, y), row[2]);
        painter.setFont(valueFont);
        painter.drawText(QPointF(colW, y), row[1]);
        painter.drawText(QPointF(5 * colW + 120, y), row[3]);
    }

    drawSectionTitle(&painter, tr("测量信息"), y, w);
    y += rowStep;
    painter.setFont(labelFont);
    painter.drawText(QPointF(0, y), tr("名称："));
    painter.setFont(valueFont);
    painter.drawText(QPointF(colW, y), settings.testObjName);
    y += rowStep;
    painter.setFont(labelFont);
    painter.drawText(QPointF(0, y), tr("场景："));
    painter.setFont(valueFont);
    painter.drawText(QPointF(colW, y), settings.scene);

    // No reading since the last reset: there is no current data to show.
    if (!live.testStatus.isEmpty())
        drawCurrentData(pageDevice, &painter, y);
    drawRecordPages(pageDevice, &painter, records, remarkColumn, colW);
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

void PdfReport::drawCurrentData(QPagedPaintDevice* pageDevice, QPainter* painter, int& y) const
{
    const pdflayout::PageColumns page = pdflayout::pageColumns(painter->viewport());
    const int w = page.width;
    const int colW = page.colW;

    drawSectionTitle(painter, tr("当前数据"), y, w);
    y += rowStep;
    painter->setFont(labelFont);
    painter->drawText(QPointF(0, y), tr("记录时间："));
    painter->setFont(valueFont);
    painter->drawText(QPointF(2 * colW, y),
                      live.takenAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    y += rowStep;
    painter->setFont(headingFont);
    painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("数据"));
    y += rowStep;
    if (!live.livePageCurrent)
        return;

    const QString colon = tr("：");
    const QString comparison =
        live.comparisonOn ? live.comparisonValue + live.comparisonUnit : QString();
    const QString cells[3][6] = {
        {live.comparisonCaption + colon, comparison, tr("测试状态："), live.testStatus,
         live.storeNumberCaption + colon, live.storeNumber},
        {live.currentSettingCaption + colon, live.currentSetting, tr("测试电阻："), live.testingRes,
         live.testingCurrentCaption + colon, live.testingCurrent},
        {live.testingTimeCaption + colon, live.testingTime, tr("比较结果："),
         live.comparativeResult, live.timeLeftCaption + colon, live.timeLeft},
    };
    for (int i = 0; i < 3; ++i) {
        const auto& row = cells[i];
        y += rowStep;
        painter->setFont(labelFont);
        painter->drawText(QPointF(0, y), row[0]);
        painter->drawText(QPointF(3 * colW, y), row[2]);
        painter->drawText(QPointF(6 * colW, y), row[4]);
        painter->setFont(valueFont);
        painter->drawText(QPointF(2 * colW, y), row[1]);
        painter->drawText(QPointF(i == 0 ? pdflayout::statusValueX(colW) : 5 * colW, y), row[3]);
        painter->drawText(QPointF(8 * colW, y), row[5]);
    }
    drawRemark(pageDevice, painter, live.remark, y);
}

void PdfReport::drawRecordPages(QPagedPaintDevice* pageDevice, QPainter* painter,
                                const QAbstractItemModel* model, int remarkCol, int colW) const
{
    if (!model || model->rowCount() == 0)
        return;
    const int columns = model->columnCount();
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << clean(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    QVector<QStringList> rows;
    rows.reserve(model->rowCount());
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << clean(model->index(r, c).data(Qt::DisplayRole).toString());
        rows.append(cells);
    }

    const QString colon = tr("：");
    for (const QStringList& cells : qAsConst(rows)) {
        pageDevice->newPage();
        int y = 10;
        const int w = pdflayout::pageColumns(painter->viewport()).width;
        painter->setFont(recordFont);
        painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("记录 %1").arg(cells.value(0)));
        y += rowStep;
        painter->setPen(rulePen);
        painter->drawLine(0, y, w, y);
        y += rowStep;
        painter->setFont(labelFont);
        painter->drawText(QPointF(0, y), tr("记录时间："));
        painter->setFont(valueFont);
        painter->drawText(QPointF(2 * colW, y), cells.value(1));
        if (columns > pointColumn) {
            y += rowStep;
            painter->setFont(labelFont);
            painter->drawText(QPointF(0, y), headers.value(objectColumn) + colon);
            painter->drawText(QPointF(5 * colW, y), headers.value(pointColumn) + colon);
            painter->setFont(valueFont);
            painter->drawText(QPointF(2 * colW, y), cells.value(objectColumn));
            painter->drawText(QPointF(7 * colW, y), cells.value(pointColumn));
        }
        y += rowStep;
        painter->setFont(headingFont);
        painter->drawText(QRect(0, y, w, 100), Qt::AlignLeft, tr("数据"));
        y += rowStep;
        for (int j = 0; j < 3; ++j) {
            y += rowStep;
            painter->setFont(labelFont);
            painter->drawText(QPointF(colW, y), headers.value(2 + j) + colon);
            painter->drawText(QPointF(5 * colW, y), headers.value(5 + j) + colon);
            painter->setFont(valueFont);
            painter->drawText(QPointF(3 * colW, y), cells.value(2 + j));
            painter->drawText(QPointF(7 * colW, y), cells.value(5 + j));
        }
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

    // Widths in the page's own pixels, as the lines will be drawn.
    const QFontMetricsF metrics(painter->font(), pageDevice);
    const QStringList lines =
        pdflayout::remarkLines(text, w - pdflayout::remarkRightGap, [&metrics](const QString& s) {
            return metrics.boundingRect(s).width();
        });
    const auto places = pdflayout::remarkPlaces(lines.size(), y, pageDevice->height());
    for (int i = 0; i < lines.size(); ++i) {
        if (places[std::size_t(i)].newPage)
            pageDevice->newPage();
        painter->drawText(QRectF(0, places[std::size_t(i)].y, w, rowStep),
                          Qt::AlignLeft | Qt::TextWordWrap, lines.at(i));
    }
}
