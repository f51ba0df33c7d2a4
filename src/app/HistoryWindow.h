#pragma once

#include "History.h"

#include <QVector>
#include <QWidget>

class Journal;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTreeView;
namespace QtCharts {
class QChartView;
}

// The history of a measured object: pick an object, see all its records from
// the journal over time grouped by measuring point, the trend of each point,
// each day's spread between the points and each record's change from the
// first record of its point, flagged above thresholds the engineer sets; and
// export all of it. A window of its own beside the main window.
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HistoryWindow(Journal* journal, QWidget* parent = nullptr);

    // Reads the objects from the journal again and shows `object` (or the
    // one shown before, or the most recent one).
    void refresh(const QString& object = QString());
    QString object() const;

protected:
    void changeEvent(QEvent* e) override;

private:
    void build();
    void retranslate();
    void showObject();
    void fillTables();
    void exportWorkbook();
    void exportPdf();
    void exportTo(bool pdf);
    QString proposedName(const QString& suffix) const;

    Journal* journal_;
    QVector<Journal::Record> records_;
    history::Analysis analysis_;

    QLabel* objectLabel_ = nullptr;
    QComboBox* objectBox_ = nullptr;
    QLabel* spreadLabel_ = nullptr;
    QDoubleSpinBox* spreadLimit_ = nullptr;
    QLabel* changeLabel_ = nullptr;
    QDoubleSpinBox* changeLimit_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* workbookButton_ = nullptr;
    QPushButton* pdfButton_ = nullptr;
    QtCharts::QChartView* chartView_ = nullptr;
    QStandardItemModel* recordModel_ = nullptr;
    QStandardItemModel* dayModel_ = nullptr;
    QTreeView* recordView_ = nullptr;
    QTableView* dayView_ = nullptr;

    friend class TestHistory;
};
