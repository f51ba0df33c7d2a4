#include "AutoTestDialog.h"

#include "DialogSettings.h"
#include "ui_autotestdialog.h"

#include <QEvent>
#include <QSettings>
#include <QTime>

namespace {
const char* const intervalKey = "testIntervalValue";
const char* const countKey = "testCountValue";
} // namespace

AutoTestDialog::AutoTestDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::AutoTestDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("自动测试"));
    setWindowFlags(Qt::Window);

    settings = openDialogSettings(QStringLiteral("settingsAuto.ini"));

    // The time edit holds the value to 0:10 … 4:59; a stored value of an hour or
    // more makes an invalid time, which it ignores, keeping its 0:10.
    interval = settings->value(intervalKey, 1).toInt();
    ui->timeEdit_testIntervalValue->setTime(
        QTime(0, interval / 60000, (interval % 60000) / 1000, 0));
    ui->timeEdit_testIntervalValue->setCurrentSection(QDateTimeEdit::SecondSection);

    count = settings->value(countKey, 1).toInt();
    ui->spinBox_testCountValue->setValue(count);
}

AutoTestDialog::~AutoTestDialog() = default;

void AutoTestDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("自动测试"));
    }
    QDialog::changeEvent(e);
}

void AutoTestDialog::on_buttonBox_accepted()
{
    const QTime time = ui->timeEdit_testIntervalValue->time();
    interval = (time.minute() * 60 + time.second()) * 1000;
    count = ui->spinBox_testCountValue->value();

    settings->setValue(intervalKey, interval);
    settings->setValue(countKey, count);
    settings->sync();

    emit startAutoTestSignal(count, interval);
}
