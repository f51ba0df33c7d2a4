#pragma once

#include "PdfSettingData.h"
#include "Records.h"

#include <QDialog>

#include <memory>

class QSettings;
namespace Ui {
class PdfSettingDialog;
}

// Collects who a report is for, the tester used and what was measured.
// Remembers the texts in "settingsPdf.ini" when confirmed; the tester fields are
// replaced by the connected instrument's identity when it is handed in.
class PdfSettingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PdfSettingDialog(QWidget* parent = nullptr);
    ~PdfSettingDialog() override;

signals:
    // Once per OK, with the texts just saved.
    void pdfSettingSignal(PdfSettingData pdfS);

public slots:
    // Shows the instrument's name, model and version (without the blanks and
    // zero bytes that pad them) in the tester fields, also when they are empty
    // (no identity received yet).
    void getSystemInfoSlot(DeviceInfo info);

private slots:
    void on_buttonBox_accepted();

private:
    void showData();

    std::unique_ptr<Ui::PdfSettingDialog> ui;
    PdfSettingData data;
    std::unique_ptr<QSettings> settings;
};
