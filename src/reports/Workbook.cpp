#include "Workbook.h"

#include "FileText.h"
#include "ReportsLog.h"
#include "WorkbookCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

QString lxwReason(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

QString cellName(int row, int column)
{
    char name[LXW_MAX_CELL_NAME_LENGTH];
    lxw_rowcol_to_cell(name, lxw_row_t(row), lxw_col_t(column));
    return QString::fromLatin1(name);
}

QString columnName(int column)
{
    char name[LXW_MAX_CELL_NAME_LENGTH];
    lxw_col_to_name(name, lxw_col_t(column), LXW_FALSE);
    return QString::fromLatin1(name);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Data the kernel still holds for the file reaches the disk before the file
// replaces an earlier one, and a late write error (a full disk noticed only
// now) fails the save instead of surfacing after the rename.
int syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    return synced ? synced : closed;
}

} // namespace

Workbook::Workbook(const QString& fileName) : m_fileName(fileName)
{
    if (fileName.isEmpty()) {
        fail(tr("没有文件名"));
        return;
    }
    if (!reserveTemporary())
        return;

    // Constant-memory mode streams each finished row to a temporary file of
    // the library's own, with the strings inline, instead of keeping every
    // cell and a shared-string table until the end.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = workbook_new_opt(QFile::encodeName(m_tempName).constData(), &options);
    if (m_book)
        m_sheet = workbook_add_worksheet(m_book, nullptr);
    if (m_sheet)
        m_format = workbook_add_format(m_book);
    if (!m_format) {
        fail(tr("无法创建工作簿（内存或临时文件不足）"));
        discard();
        return;
    }
    format_set_align(m_format, LXW_ALIGN_CENTER);
    format_set_align(m_format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(m_format);
}

Workbook::~Workbook()
{
    discard();
}

bool Workbook::writeText(int row, int column, const QString& text)
{
    if (!cellInRange(row, column))
        return false;
    const QByteArray utf8 = filetext::forXml(text).toUtf8();
    const lxw_error written = worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column),
                                                     utf8.constData(), m_format);
    if (written != LXW_NO_ERROR)
        return fail(tr("无法写入单元格 %1：%2").arg(cellName(row, column), lxwReason(written)));
    return true;
}

bool Workbook::writeNumber(int row, int column, double value)
{
    if (!cellInRange(row, column))
        return false;
    const lxw_error written =
        worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, m_format);
    if (written != LXW_NO_ERROR)
        return fail(tr("无法写入单元格 %1：%2").arg(cellName(row, column), lxwReason(written)));
    return true;
}

bool Workbook::insertLineChart(int row, int column, int titleRow, int titleColumn, int firstRow,
                               int lastRow, int categoryColumn, const QVector<ChartSeries>& series)
{
    if (!cellInRange(row, column) || !cellInRange(lastRow, categoryColumn))
        return false;
    // Names come from cells, never from texts given to the chart: a chart
    // text beginning with "=" would be read as a formula.
    lxw_chart* chart = workbook_add_chart(m_book, LXW_CHART_LINE);
    if (!chart)
        return fail(tr("无法创建图表"));
    const char* sheet = m_sheet->name;
    chart_title_set_name_range(chart, sheet, lxw_row_t(titleRow), lxw_col_t(titleColumn));
    chart_show_blanks_as(chart, LXW_CHART_BLANKS_AS_CONNECTED);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    for (const ChartSeries& s : series) {
        lxw_chart_series* line = chart_add_series(chart, nullptr, nullptr);
        if (!line)
            return fail(tr("无法创建图表"));
        chart_series_set_categories(line, sheet, lxw_row_t(firstRow), lxw_col_t(categoryColumn),
                                    lxw_row_t(lastRow), lxw_col_t(categoryColumn));
        chart_series_set_values(line, sheet, lxw_row_t(firstRow), lxw_col_t(s.valueColumn),
                                lxw_row_t(lastRow), lxw_col_t(s.valueColumn));
        chart_series_set_name_range(line, sheet, lxw_row_t(s.nameRow), lxw_col_t(s.nameColumn));
        chart_series_set_marker_type(line, LXW_CHART_MARKER_AUTOMATIC);
    }
    lxw_chart_options options{};
    options.x_scale = 1.6;
    options.y_scale = 1.4;
    const lxw_error inserted =
        worksheet_insert_chart_opt(m_sheet, lxw_row_t(row), lxw_col_t(column), chart, &options);
    if (inserted != LXW_NO_ERROR)
        return fail(tr("无法插入图表：%1").arg(lxwReason(inserted)));
    return true;
}

bool Workbook::setColumnWidth(int column, double width)
{
    if (!cellInRange(0, column))
        return false;
    const lxw_error set =
        worksheet_set_column(m_sheet, lxw_col_t(column), lxw_col_t(column), width, nullptr);
    if (set != LXW_NO_ERROR)
        return fail(tr("无法设置 %1 列的宽度：%2").arg(columnName(column), lxwReason(set)));
    return true;
}

bool Workbook::save()
{
    if (m_saved)
        return true;
    if (!m_error.isEmpty()) {
        discard();
        return false;
    }

    errno = 0;
    const lxw_error closed = workbook_close(std::exchange(m_book, nullptr));
    const int closeErrno = errno;
    m_sheet = nullptr;
    m_format = nullptr;
    if (closed != LXW_NO_ERROR) {
        // The library's code says where it failed; errno, when set, says why
        // (a full disk, a file size limit).
        QString reason = lxwReason(closed);
        if (closeErrno != 0)
            reason += QLatin1Char(' ') + qt_error_string(closeErrno);
        fail(tr("无法写入 %1：%2").arg(native(m_fileName), reason));
        discard();
        return false;
    }

    // The library reports success even when its own temporary files could
    // not be written in full; only a workbook that reads back whole may
    // replace anything.
    const QString problem = workbookcheck::problemIn(m_tempName);
    if (!problem.isEmpty()) {
        fail(tr("无法写入 %1：写出的文件不完整（%2）").arg(native(m_fileName), problem));
        discard();
        return false;
    }

    // The new file replaces the old one, so it takes over the old one's mode.
    const QFileInfo old(m_fileName);
    if (old.isFile())
        QFile::setPermissions(m_tempName, old.permissions());

    if (const int synced = syncToDisk(m_tempName)) {
        fail(tr("无法写入 %1：%2").arg(native(m_fileName), qt_error_string(synced)));
        discard();
        return false;
    }
    // rename() replaces the target in one step: readers see the old file or
    // the new one, never a part.
    if (std::rename(QFile::encodeName(m_tempName).constData(),
                    QFile::encodeName(m_fileName).constData()) != 0) {
        fail(tr("无法保存为 %1：%2").arg(native(m_fileName), qt_error_string(errno)));
        discard();
        return false;
    }
    m_tempName.clear();
    m_saved = true;
    qCDebug(lcReports) << "workbook saved" << m_fileName;
    return true;
}

bool Workbook::reserveTemporary()
{
    // Beside the target, so that the final rename stays on one file system.
    // Hidden, and with the target's name in it, so that a file left by a
    // crash is recognisable. Created exclusively with the usual mode (the
    // umask applies), so a finished workbook has the mode of any new file.
    const QFileInfo target(m_fileName);
    QString base = target.fileName().left(60);
    if (!base.isEmpty() && base.at(base.size() - 1).isHighSurrogate())
        base.chop(1);
    const QString folder = target.absolutePath();
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        const QString name = folder + QStringLiteral("/.") + base + QLatin1Char('.') +
                             QString::number(QRandomGenerator::global()->generate(), 16) +
                             QStringLiteral(".tmp");
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_tempName = name;
            return true;
        }
        error = errno;
    }
    return fail(tr("无法在 %1 中创建文件：%2").arg(native(folder), qt_error_string(error)));
}

bool Workbook::cellInRange(int row, int column)
{
    if (!m_error.isEmpty())
        return false;
    if (row < 0 || row >= LXW_ROW_MAX || column < 0 || column >= LXW_COL_MAX)
        return fail(tr("单元格超出工作表范围：第 %1 行，第 %2 列").arg(row + 1).arg(column + 1));
    return true;
}

bool Workbook::fail(const QString& reason)
{
    if (m_error.isEmpty()) {
        m_error = reason;
        qCWarning(lcReports).noquote() << "workbook" << m_fileName << "not saved:" << reason;
    }
    return false;
}

void Workbook::discard()
{
    if (m_book) {
        // Freeing an unsaved workbook does not close the file its sheet
        // streams rows to; close it here so an abandoned export leaks no
        // descriptor.
        if (m_sheet && m_sheet->optimize_tmpfile) {
            std::fclose(m_sheet->optimize_tmpfile);
            m_sheet->optimize_tmpfile = nullptr;
        }
        lxw_workbook_free(m_book);
        m_book = nullptr;
        m_sheet = nullptr;
        m_format = nullptr;
    }
    if (!m_tempName.isEmpty()) {
        QFile::remove(m_tempName);
        m_tempName.clear();
    }
}
