#include "HistoryWindow.h"

#include "AppLog.h"
#include "ExportPaths.h"
#include "HistoryChart.h"
#include "HistoryExport.h"
#include "Journal.h"
#include "Prompts.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

using namespace QtCharts;

namespace {

const QColor kFlagColour(210, 0, 22);

QStandardItem* cell(const QString& text, bool flagged = false)
{
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    if (flagged) {
        item->setForeground(kFlagColour);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    }
    return item;
}

} // namespace

HistoryWindow::HistoryWindow(Journal* journal, QWidget* parent)
    : QWidget(parent, Qt::Window), journal_(journal)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    build();
    retranslate();
    resize(1200, 720);
}

void HistoryWindow::build()
{
    objectLabel_ = new QLabel(this);
    objectBox_ = new QComboBox(this);
    objectBox_->setObjectName(QStringLiteral("comboBox_HistoryObject"));
    objectBox_->setMinimumContentsLength(24);
    objectBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    spreadLabel_ = new QLabel(this);
    spreadLimit_ = new QDoubleSpinBox(this);
    spreadLimit_->setObjectName(QStringLiteral("doubleSpinBox_SpreadLimit"));
    changeLabel_ = new QLabel(this);
    changeLimit_ = new QDoubleSpinBox(this);
    changeLimit_->setObjectName(QStringLiteral("doubleSpinBox_ChangeLimit"));
    const history::Thresholds defaults;
    for (QDoubleSpinBox* box : {spreadLimit_, changeLimit_}) {
        box->setRange(0.0, 1000.0);
        box->setDecimals(1);
        box->setSuffix(QStringLiteral(" %"));
    }
    spreadLimit_->setValue(defaults.spreadPercent);
    changeLimit_->setValue(defaults.changePercent);
    workbookButton_ =
        new QPushButton(QIcon(QStringLiteral(":/resource/format-xlsx.png")), QString(), this);
    workbookButton_->setObjectName(QStringLiteral("pushButton_HistoryExcel"));
    pdfButton_ =
        new QPushButton(QIcon(QStringLiteral(":/resource/format-pdf.png")), QString(), this);
    pdfButton_->setObjectName(QStringLiteral("pushButton_HistoryPdf"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(objectLabel_);
    bar->addWidget(objectBox_, 1);
    bar->addSpacing(16);
    bar->addWidget(spreadLabel_);
    bar->addWidget(spreadLimit_);
    bar->addWidget(changeLabel_);
    bar->addWidget(changeLimit_);
    bar->addSpacing(16);
    bar->addWidget(workbookButton_);
    bar->addWidget(pdfButton_);

    chartView_ = new QChartView(this);
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumHeight(240);
    // The view starts with an empty chart of its own; each object shown
    // replaces it (and showObject deletes the one replaced).

    recordModel_ = new QStandardItemModel(this);
    recordView_ = new QTreeView(this);
    recordView_->setObjectName(QStringLiteral("treeView_HistoryRecords"));
    recordView_->setModel(recordModel_);
    recordView_->setUniformRowHeights(true);
    // Columns hold texts of one kind each (times, values): a few hundred
    // rows tell their width as well as all of them.
    recordView_->header()->setResizeContentsPrecision(200);
    dayModel_ = new QStandardItemModel(this);
    dayView_ = new QTableView(this);
    dayView_->setObjectName(QStringLiteral("tableView_HistoryDays"));
    dayView_->setModel(dayModel_);
    dayView_->verticalHeader()->hide();
    dayView_->horizontalHeader()->setResizeContentsPrecision(200);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);

    auto* tables = new QSplitter(Qt::Horizontal);
    tables->addWidget(recordView_);
    tables->addWidget(dayView_);
    tables->setStretchFactor(0, 3);
    tables->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(chartView_);
    split->addWidget(tables);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(summary_);

    connect(objectBox_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &HistoryWindow::showObject);
    for (QDoubleSpinBox* box : {spreadLimit_, changeLimit_})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &HistoryWindow::showObject);
    connect(workbookButton_, &QPushButton::clicked, this, &HistoryWindow::exportWorkbook);
    connect(pdfButton_, &QPushButton::clicked, this, &HistoryWindow::exportPdf);
}

void HistoryWindow::retranslate()
{
    setWindowTitle(tr("测量历史"));
    objectLabel_->setText(tr("测量对象"));
    spreadLabel_->setText(tr("测点间差异提示阈值"));
    changeLabel_->setText(tr("相对首次变化提示阈值"));
    workbookButton_->setText(tr("导出到Excel"));
    pdfButton_->setText(tr("导出到PDF"));
    if (!objectBox_->currentText().isEmpty())
        showObject(); // the plot's and tables' texts
}

void HistoryWindow::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(e);
}

QString HistoryWindow::object() const
{
    return objectBox_->currentText();
}

void HistoryWindow::refresh(const QString& object)
{
    const QString wanted = object.isEmpty() ? objectBox_->currentText() : object;
    const QStringList objects = journal_->objects();
    {
        const QSignalBlocker quiet(objectBox_);
        objectBox_->clear();
        objectBox_->addItems(objects);
        objectBox_->setCurrentIndex(std::max(0, int(objects.indexOf(wanted))));
    }
    showObject();
}

void HistoryWindow::showObject()
{
    const QString object = objectBox_->currentText();
    records_ = object.isEmpty() ? QVector<Journal::Record>() : journal_->objectRecords(object);
    analysis_ = history::analyse(records_, {spreadLimit_->value(), changeLimit_->value()});
    QChart* old = chartView_->chart();
    QChart* chart = HistoryChart::build(analysis_);
    chart->setTitle(object);
    chartView_->setChart(chart);
    delete old;
    fillTables();
    workbookButton_->setEnabled(!records_.isEmpty());
    pdfButton_->setEnabled(!records_.isEmpty());

    int flaggedDays = 0;
    int flaggedRecords = 0;
    for (const history::DaySpread& d : qAsConst(analysis_.days))
        flaggedDays += d.flagged ? 1 : 0;
    for (const history::PointHistory& p : qAsConst(analysis_.points)) {
        for (const history::Reading& r : p.readings)
            flaggedRecords += r.changeFlagged ? 1 : 0;
    }
    if (journal_->state() == Journal::State::Failed) {
        summary_->setText(journal_->failureMessage()); // the history is the journal's
        return;
    }
    summary_->setText(
        object.isEmpty()
            ? tr("日志中还没有记录测量对象的测量记录：在实时测量页的备注旁填写对象和测点。")
            : tr("%1 条记录，%2 个测点，%3 天；%4 天测点间差异超过阈值，%5 "
                 "条记录相对首次变化超过阈值。")
                  .arg(records_.size())
                  .arg(analysis_.points.size())
                  .arg(analysis_.days.size())
                  .arg(flaggedDays)
                  .arg(flaggedRecords));
}

void HistoryWindow::fillTables()
{
    const HistoryExport texts(objectBox_->currentText(), analysis_,
                              {spreadLimit_->value(), changeLimit_->value()});
    // Records under their point.
    recordModel_->clear();
    const QStringList recordHeaders = texts.recordHeaders();
    recordModel_->setHorizontalHeaderLabels(recordHeaders);
    const QVector<QStringList> rows = texts.recordRows();
    int row = 0;
    for (const history::PointHistory& p : qAsConst(analysis_.points)) {
        QStandardItem* group = cell(p.point.isEmpty() ? tr("（未填测点）") : p.point);
        QList<QStandardItem*> groupRow{group};
        for (int c = 1; c < recordHeaders.size(); ++c)
            groupRow << cell(QString());
        groupRow[1]->setText(tr("%1 条").arg(p.readings.size()));
        recordModel_->appendRow(groupRow);
        for (const history::Reading& r : p.readings) {
            const QStringList& line = rows.at(row++);
            QList<QStandardItem*> items{cell(QString())};
            for (int c = 1; c < line.size(); ++c)
                items << cell(line.at(c), r.changeFlagged && c >= 5);
            group->appendRow(items);
        }
    }
    recordView_->expandAll();
    // Sized once to their texts: sizing on every layout would measure
    // every row again each time the window is drawn.
    for (int c = 0; c < recordModel_->columnCount(); ++c)
        recordView_->resizeColumnToContents(c);

    // One row per day.
    dayModel_->clear();
    dayModel_->setHorizontalHeaderLabels(texts.dayHeaders());
    const QVector<QStringList> days = texts.dayRows();
    for (int d = 0; d < days.size(); ++d) {
        QList<QStandardItem*> items;
        const bool flagged = analysis_.days.at(d).flagged;
        for (int c = 0; c < days.at(d).size(); ++c)
            items << cell(days.at(d).at(c), flagged && c >= days.at(d).size() - 2);
        dayModel_->appendRow(items);
    }
    dayView_->resizeColumnsToContents();
}

QString HistoryWindow::proposedName(const QString& suffix) const
{
    // The object's name, with what a file name cannot hold replaced.
    QString name = objectBox_->currentText();
    for (QChar& c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder + QLatin1Char('/') +
           tr("历史_%1_%2")
               .arg(name)
               .arg(QLocale::c().toString(QDateTime::currentDateTime(),
                                          QStringLiteral("yyyyMMdd_hhmmss"))) +
           QLatin1Char('.') + suffix;
}

void HistoryWindow::exportWorkbook()
{
    exportTo(false);
}

void HistoryWindow::exportPdf()
{
    exportTo(true);
}

// As the main window saves: a name typed without its suffix gets it, a
// cancelled dialog says nothing, a failure says why.
void HistoryWindow::exportTo(bool pdf)
{
    const QString suffix = pdf ? QStringLiteral("pdf") : QStringLiteral("xlsx");
    const QString title = pdf ? tr("保存PDF文件") : tr("保存Excel文件");
    const QString name =
        exportpaths::withSuffix(prompts::saveFileName(this, title, proposedName(suffix),
                                                      pdf ? tr("PDF(*.pdf)") : tr("Excel(*.xlsx)")),
                                suffix);
    if (name.isEmpty())
        return;
    const HistoryExport out(objectBox_->currentText(), analysis_,
                            {spreadLimit_->value(), changeLimit_->value()});
    QString reason;
    if (!(pdf ? out.writePdf(name, &reason) : out.writeWorkbook(name, &reason))) {
        qCWarning(lcWindow).noquote() << "history" << suffix << name << "failed:" << reason;
        prompts::notify(this, QMessageBox::Warning, title,
                        tr("保存失败") + QLatin1Char('\n') + reason);
        return;
    }
    if (!prompts::openFile(name))
        prompts::notify(this, QMessageBox::Information, title,
                        tr("已保存到 %1；没有能打开此类文件的程序，请在文件管理器中找到它")
                            .arg(QDir::toNativeSeparators(name)));
}
