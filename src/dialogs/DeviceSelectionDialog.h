#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class DeviceSelectionDialog;
}

// Lets the operator pick one of several instruments by its HID path.
class DeviceSelectionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeviceSelectionDialog(QWidget* parent = nullptr);
    ~DeviceSelectionDialog() override;

    // Appends the paths, in list order and unshortened, after the existing items.
    void addDevicePaths(const QStringList& paths);

signals:
    void pathSelected(QString path);

private slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();

private:
    std::unique_ptr<Ui::DeviceSelectionDialog> ui;
};
