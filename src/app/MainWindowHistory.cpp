// What was measured and its history: the object and measuring point beside
// the remark, stored with every live record, and the history window.
#include "MainWindow.h"

#include "History.h"
#include "HistoryWindow.h"
#include "Journal.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolBar>

void MainWindow::setUpHistory()
{
    // Under the remark, in the same box: typed once, kept for every test
    // until the engineer moves to the next pole or breaker.
    auto* row = new QWidget(ui->groupBox_Remark);
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setColumnStretch(1, 1);
    objectLabel = new QLabel(row);
    objectBox = new QComboBox(row);
    objectBox->setObjectName(QStringLiteral("comboBox_Object"));
    objectBox->setEditable(true);
    objectBox->setInsertPolicy(QComboBox::NoInsert);
    objectBox->lineEdit()->setMaxLength(history::kObjectLength);
    objectBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    objectBox->setMinimumContentsLength(8);
    objectBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    objectBox->addItems(journal->objects());
    objectBox->setCurrentIndex(-1);
    pointLabel = new QLabel(row);
    pointEdit = new QLineEdit(row);
    pointEdit->setObjectName(QStringLiteral("lineEdit_Point"));
    pointEdit->setMaxLength(history::kPointLength);
    layout->addWidget(objectLabel, 0, 0);
    layout->addWidget(objectBox, 0, 1);
    layout->addWidget(pointLabel, 1, 0);
    layout->addWidget(pointEdit, 1, 1);
    if (auto* grid = qobject_cast<QGridLayout*>(ui->groupBox_Remark->layout()))
        grid->addWidget(row, 1, 0);

    actionHistory = new QAction(QIcon(QStringLiteral(":/resource/history.png")), QString(), this);
    actionHistory->setObjectName(QStringLiteral("actionHistory"));
    ui->menu_View->addAction(actionHistory);
    ui->toolBar->addAction(actionHistory);
    connect(actionHistory, &QAction::triggered, this, &MainWindow::openHistory);
    // An open history follows the record table; after the event, when the
    // journal has taken the change too.
    const auto follow = [this] {
        QTimer::singleShot(0, this, [this] {
            if (historyWindow && historyWindow->isVisible())
                historyWindow->refresh();
        });
    };
    connect(liveRecordModel, &QAbstractItemModel::rowsInserted, this, follow);
    connect(liveRecordModel, &QAbstractItemModel::rowsRemoved, this, follow);
    retranslateHistory();
}

void MainWindow::retranslateHistory()
{
    if (!actionHistory)
        return; // the first initUi runs before the controls exist
    objectLabel->setText(tr("对象"));
    objectBox->setToolTip(tr("被测设备的名称或编号，可从用过的对象中选择"));
    pointLabel->setText(tr("测点"));
    pointEdit->setToolTip(tr("被测的相或接头，例如 A、B、C"));
    actionHistory->setText(tr("测量历史"));
    actionHistory->setToolTip(tr("测量历史"));
}

Journal::Subject MainWindow::currentSubject() const
{
    return history::cleanSubject({objectBox->currentText(), pointEdit->text()});
}

QStringList MainWindow::subjectCells() const
{
    const Journal::Subject subject = currentSubject();
    // A new object is offered first from now on.
    if (!subject.object.isEmpty() && objectBox->findText(subject.object) < 0) {
        const QString typed = objectBox->currentText();
        objectBox->insertItem(0, subject.object);
        objectBox->setCurrentText(typed);
    }
    return {subject.object, subject.point};
}

void MainWindow::openHistory()
{
    if (!historyWindow)
        historyWindow = new HistoryWindow(journal, this);
    historyWindow->refresh(currentSubject().object);
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
}
