#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class DeviceSelectionDialog;
}

// Lets the operator pick one of several instruments: each line says what the
// instrument is (model and version, once it has answered) and where (USB
// port, serial number), followed by its HID path.
class DeviceSelectionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeviceSelectionDialog(QWidget* parent = nullptr);
    ~DeviceSelectionDialog() override;

    // Appends the paths, in list order and unshortened, after the existing items.
    void addDevicePaths(const QStringList& paths);
    // Appends one instrument, its identity not yet known: what tells it apart
    // from an identical one (the USB port it is plugged into, its serial
    // number, each left out when empty) and its path. pathSelected() still
    // carries the bare path.
    void addDevice(const QString& path, const QString& usbPort, const QString& serial);
    // What the instrument at path said it is, or that it did not answer.
    void setIdentity(const QString& path, const QString& model, const QString& version);
    void setNotAnswering(const QString& path);

signals:
    void pathSelected(QString path);

private slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();

protected:
    // Follows a change of language while open.
    void changeEvent(QEvent* e) override;

private:
    void setIdentityText(const QString& path, const QString& identity);
    void showLine(int index);
    void showGuide();

    std::unique_ptr<Ui::DeviceSelectionDialog> ui;
};
