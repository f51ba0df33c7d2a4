#include "DeviceInfoDialog.h"

#include "ui_deviceinfodialog.h"

#include <QEvent>

DeviceInfoDialog::DeviceInfoDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::DeviceInfoDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("设备信息"));
    setWindowFlags(Qt::Window);
}

DeviceInfoDialog::~DeviceInfoDialog() = default;

void DeviceInfoDialog::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange) {
        // The form's texts empty the values, which are the instrument's.
        QList<QLabel*> values = {ui->label_nameValue, ui->label_modelValue, ui->label_versionValue};
        QStringList shown;
        for (QLabel* value : values)
            shown << value->text();
        ui->retranslateUi(this);
        for (int i = 0; i < values.size(); ++i)
            values.at(i)->setText(shown.at(i));
        setWindowTitle(tr("设备信息"));
    }
    QDialog::changeEvent(e);
}

void DeviceInfoDialog::systemInfoSlot(DeviceInfo info)
{
    ui->label_nameValue->setText(info.name);
    ui->label_modelValue->setText(info.model);
    ui->label_versionValue->setText(info.version);
}
