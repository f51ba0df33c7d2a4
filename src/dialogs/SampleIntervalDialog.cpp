#include "SampleIntervalDialog.h"

#include "DialogSettings.h"
#include "ui_sampleintervaldialog.h"

#include <QDebug>
#include <QEvent>
#include <QSettings>

namespace {
const char* const intervalKey = "interval";
} // namespace

SampleIntervalDialog::SampleIntervalDialog(int inUse, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SampleIntervalDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("采样频率设置"));
    setWindowFlags(Qt::Window);

    settings = openDialogSettings(QStringLiteral("settingsSample.ini"));
    // What the window polls at now, not what the file holds: the operator
    // changes what is, and the box holds it to 200 … 800.
    ui->spinBox_SampleInterval->setValue(inUse);
    interval = ui->spinBox_SampleInterval->value();
}

int SampleIntervalDialog::storedInterval()
{
    const int stored = openDialogSettings(QStringLiteral("settingsSample.ini"))
                           ->value(intervalKey, kDefaultInterval)
                           .toInt();
    return qBound(kMinInterval, stored, kMaxInterval);
}

SampleIntervalDialog::~SampleIntervalDialog() = default;

void SampleIntervalDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("采样频率设置"));
    }
    QDialog::changeEvent(e);
}

void SampleIntervalDialog::on_buttonBox_SampleInterval_accepted()
{
    interval = ui->spinBox_SampleInterval->value();
    settings->setValue(intervalKey, interval);
    settings->sync();
    emit sampleIntervalSignal(interval);
    qCDebug(lcSettings) << "sample interval" << interval;
}
