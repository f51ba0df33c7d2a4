#include "DeviceSelectionDialog.h"

#include "ui_deviceselectiondialog.h"

DeviceSelectionDialog::DeviceSelectionDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::DeviceSelectionDialog>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("选择设备"));
    setWindowFlags(Qt::Window);
}

DeviceSelectionDialog::~DeviceSelectionDialog() = default;

void DeviceSelectionDialog::addDevicePaths(const QStringList& paths)
{
    ui->comboBox->addItems(paths);
}

void DeviceSelectionDialog::on_buttonBox_accepted()
{
    emit pathSelected(ui->comboBox->currentText());
    close();
}

void DeviceSelectionDialog::on_buttonBox_rejected()
{
    close();
}
