#include "HistoryExport.h"

#include "FileText.h"
#include "HistoryChart.h"
#include "ReportsLog.h"
#include "Workbook.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>
#include <memory>

namespace {

QString percent(double v)
{
    return std::isnan(v) ? QString() : QString::asprintf("%+.1f", v);
}

QString number(double v)
{
    return std::isnan(v) ? QString() : QString::number(v, 'f', 1);
}

double rounded(double v)
{
    return std::round(v * 10.0) / 10.0;
}

} // namespace

HistoryExport::HistoryExport(const QString& object, const history::Analysis& analysis,
                             const history::Thresholds& thresholds)
    : object_(object), analysis_(analysis), thresholds_(thresholds)
{
}

QString HistoryExport::caption() const
{
    return tr("测量对象：%1").arg(object_);
}

QStringList HistoryExport::recordHeaders() const
{
    return {tr("测点"),   tr("记录时间"),          tr("测试电阻"), tr("电阻（μΩ）"),
            tr("比较值"), tr("相对首次变化（%）"), tr("提示")};
}

QVector<QStringList> HistoryExport::recordRows() const
{
    QVector<QStringList> rows;
    const QString flag = tr("变化超过 %1%").arg(thresholds_.changePercent);
    for (const history::PointHistory& p : analysis_.points) {
        for (const history::Reading& r : p.readings) {
            rows << QStringList{p.point,
                                r.at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                r.record->cells.value(5),
                                number(r.microOhm),
                                r.record->cells.value(6),
                                percent(r.changePercent),
                                r.changeFlagged ? flag : QString()};
        }
    }
    return rows;
}

QStringList HistoryExport::dayHeaders() const
{
    QStringList headers{tr("日期")};
    for (const history::PointHistory& p : analysis_.points)
        headers << p.point;
    return headers << tr("测点间差异（%）") << tr("提示");
}

QVector<QStringList> HistoryExport::dayRows() const
{
    QVector<QStringList> rows;
    const QString flag = tr("差异超过 %1%").arg(thresholds_.spreadPercent);
    for (const history::DaySpread& d : analysis_.days) {
        QStringList row{d.day.toString(QStringLiteral("yyyy-MM-dd"))};
        for (double v : d.microOhm)
            row << number(v);
        row << number(d.spreadPercent) << (d.flagged ? flag : QString());
        rows << row;
    }
    return rows;
}

bool HistoryExport::writeWorkbook(const QString& path, QString* reason) const
{
    const QStringList recordHead = recordHeaders();
    const QVector<QStringList> records = recordRows();
    const QStringList dayHead = dayHeaders();
    const QVector<QStringList> days = dayRows();
    // Columns of the records that hold numbers, and of the day table.
    const int valueColumn = 3;
    const int changeColumn = 5;
    const int points = analysis_.points.size();

    Workbook book(path);
    bool ok = book.writeText(0, 0, caption());
    for (int c = 0; ok && c < kDayColumn + dayHead.size(); ++c)
        ok = book.setColumnWidth(c, c == kDayColumn - 1 ? 4.0 : 18.0);
    for (int c = 0; ok && c < recordHead.size(); ++c)
        ok = book.writeText(1, c, recordHead.at(c));
    for (int c = 0; ok && c < dayHead.size(); ++c)
        ok = book.writeText(1, kDayColumn + c, dayHead.at(c));

    // Row by row: the workbook streams each row once the next one starts.
    const int rows = std::max(records.size(), days.size());
    int record = 0;
    for (int r = 0; ok && r < rows; ++r) {
        if (r < records.size()) {
            const QStringList& cells = records.at(r);
            for (int c = 0; ok && c < cells.size(); ++c) {
                bool isNumber = false;
                const double v = cells.at(c).toDouble(&isNumber);
                if ((c == valueColumn || c == changeColumn) && isNumber)
                    ok = book.writeNumber(r + 2, c, v);
                else
                    ok = book.writeText(r + 2, c, cells.at(c));
            }
            ++record;
        }
        if (r < days.size()) {
            const history::DaySpread& d = analysis_.days.at(r);
            ok = ok && book.writeText(r + 2, kDayColumn, days.at(r).first());
            for (int p = 0; ok && p < points; ++p) {
                if (!std::isnan(d.microOhm.at(p)))
                    ok = book.writeNumber(r + 2, kDayColumn + 1 + p, rounded(d.microOhm.at(p)));
            }
            if (ok && !std::isnan(d.spreadPercent))
                ok = book.writeNumber(r + 2, kDayColumn + 1 + points, rounded(d.spreadPercent));
            if (ok && d.flagged)
                ok = book.writeText(r + 2, kDayColumn + 2 + points, days.at(r).last());
        }
    }
    if (ok && !days.isEmpty() && points > 0) {
        QVector<Workbook::ChartSeries> series;
        for (int p = 0; p < points; ++p)
            series.append({1, kDayColumn + 1 + p, kDayColumn + 1 + p});
        ok = book.insertLineChart(rows + 3, 0, 0, 0, 2, 1 + days.size(), kDayColumn, series);
    }
    ok = ok && book.save();
    if (!ok && reason)
        *reason = book.errorString();
    return ok;
}

bool HistoryExport::writePdf(const QString& path, QString* reason) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    bool drawn = false;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setPageMargins(QMarginsF(30, 30, 30, 30));
        writer.setTitle(filetext::forPdf(caption()));
        QPainter painter;
        if (painter.begin(&writer)) {
            const QFont family(QStringLiteral("Microsoft Yahei"));
            const int w = painter.viewport().width();
            const int h = painter.viewport().height();
            const int step = 70;
            int y = 0;

            QFont title = family;
            title.setPointSize(14);
            title.setBold(true);
            painter.setFont(title);
            painter.drawText(QRect(0, y, w, 100), Qt::AlignLeft | Qt::AlignVCenter,
                             filetext::forPdf(caption()));
            y += 110;
            QFont body = family;
            body.setPointSize(9);
            painter.setFont(body);
            painter.drawText(QRect(0, y, w, step), Qt::AlignLeft,
                             tr("提示阈值：测点间差异 %1%，相对首次变化 %2%")
                                 .arg(thresholds_.spreadPercent)
                                 .arg(thresholds_.changePercent));
            y += step + 20;

            // The plot as the window draws it, scaled onto the page.
            std::unique_ptr<QtCharts::QChart> chart(HistoryChart::build(analysis_));
            {
                QGraphicsScene scene;
                scene.addItem(chart.get());
                const QSizeF size(1000, 520);
                chart->resize(size);
                const int height = int(w * size.height() / size.width());
                scene.render(&painter, QRectF(0, y, w, height), QRectF(QPointF(0, 0), size));
                scene.removeItem(chart.get());
                y += height + 40;
            }

            auto table = [&](const QStringList& headers, const QVector<QStringList>& rows) {
                // Each column as wide as its widest text, narrowed together
                // when the page is too narrow for them all.
                QFont bold = body;
                bold.setBold(true);
                const QFontMetricsF metrics(bold, &writer);
                QVector<double> widths(headers.size(), 0.0);
                auto widen = [&](const QStringList& cells) {
                    for (int c = 0; c < cells.size() && c < widths.size(); ++c)
                        widths[c] =
                            std::max(widths[c],
                                     metrics.horizontalAdvance(filetext::forPdf(cells.at(c))) + 40);
                };
                widen(headers);
                for (const QStringList& cells : rows)
                    widen(cells);
                double total = 0;
                for (double width : qAsConst(widths))
                    total += width;
                const double scale = total > w ? w / total : 1.0;
                auto line = [&](const QStringList& cells, bool heading) {
                    if (y + step > h) {
                        writer.newPage();
                        y = 0;
                    }
                    painter.setFont(heading ? bold : body);
                    // A flagged row (its note filled in) is printed in red.
                    const bool flagged = !heading && !cells.isEmpty() && !cells.last().isEmpty();
                    painter.setPen(flagged ? QColor(210, 0, 22) : QColor(Qt::black));
                    double x = 0;
                    for (int c = 0; c < cells.size() && c < widths.size(); ++c) {
                        painter.drawText(QRectF(x, y, widths[c] * scale - 10, step),
                                         Qt::AlignLeft | Qt::AlignVCenter,
                                         filetext::forPdf(cells.at(c)));
                        x += widths[c] * scale;
                    }
                    y += step;
                };
                line(headers, true);
                for (const QStringList& row : rows)
                    line(row, false);
                y += step;
            };
            table(dayHeaders(), dayRows());
            table(recordHeaders(), recordRows());
            drawn = painter.end();
        }
    }
    if (!drawn) {
        file.cancelWriting();
        if (reason)
            *reason = tr("无法绘制报告");
        return false;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    qCDebug(lcReports) << "history report written" << path;
    return true;
}
