#pragma once

#include <QDialog>

#include <memory>

class QSettings;
namespace Ui {
class AutoTestDialog;
}

// Asks for the number of tests of an automatic run and the pause between two
// tests; remembers both in "settingsAuto.ini".
class AutoTestDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AutoTestDialog(QWidget* parent = nullptr);
    ~AutoTestDialog() override;

signals:
    // count: number of tests; interval: pause between two tests in milliseconds.
    void startAutoTestSignal(int count, int interval);

private slots:
    void on_buttonBox_accepted();

protected:
    // Follows a change of language while open.
    void changeEvent(QEvent* e) override;

private:
    std::unique_ptr<Ui::AutoTestDialog> ui;
    std::unique_ptr<QSettings> settings;
    int interval = 1;
    int count = 1;
};
