// The three settings files, fuzzed: the bytes are written where the dialog
// reads its file (dialogSettingsPath, in a scratch data folder), the dialog is
// built offscreen, confirmed with OK, and built again. Parsing the INI text is
// Qt's (QSettings, not instrumented); what is ours and checked here is what
// the dialogs make of any stored value: every control holds a value within its
// range, what OK hands on is what the controls show, and what OK stores reads
// back the same the next time the dialog opens.
//
// Input: a byte choosing the dialog (% 3: AutoTestDialog with
// settingsAuto.ini, SampleIntervalDialog with settingsSample.ini,
// PdfSettingDialog with settingsPdf.ini), then the file's bytes.
#include "AutoTestDialog.h"
#include "DialogSettings.h"
#include "FuzzScratch.h"
#include "PdfSettingDialog.h"
#include "SampleIntervalDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimeEdit>

#include <cstdlib>
#include <memory>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QTemporaryDir* folder = nullptr;

template <typename T> T* child(QWidget* dialog, const char* name)
{
    T* w = dialog->findChild<T*>(QLatin1String(name));
    check(w != nullptr);
    return w;
}

void confirm(QWidget* dialog, const char* boxName)
{
    emit child<QDialogButtonBox>(dialog, boxName)->accepted();
}

struct AutoState
{
    QTime time;
    int count;
};

AutoState autoState(QWidget* d)
{
    const QTime time = child<QTimeEdit>(d, "timeEdit_testIntervalValue")->time();
    const int count = child<QSpinBox>(d, "spinBox_testCountValue")->value();
    check(time.isValid() && time >= QTime(0, 0, 10) && time <= QTime(0, 4, 59));
    check(count >= 2 && count <= 10);
    return {time, count};
}

void autoTest()
{
    AutoState shown;
    int signalled = 0;
    {
        auto d = std::make_unique<AutoTestDialog>();
        shown = autoState(d.get());
        QObject::connect(
            d.get(), &AutoTestDialog::startAutoTestSignal, [&](int count, int interval) {
                ++signalled;
                check(count == shown.count &&
                      interval == (shown.time.minute() * 60 + shown.time.second()) * 1000);
            });
        confirm(d.get(), "buttonBox");
    }
    check(signalled == 1);
    auto again = std::make_unique<AutoTestDialog>();
    const AutoState reread = autoState(again.get());
    check(reread.time == shown.time && reread.count == shown.count);
}

int sampleState(QWidget* d)
{
    const int interval = child<QSpinBox>(d, "spinBox_SampleInterval")->value();
    check(interval >= 200 && interval <= 800);
    return interval;
}

void sampleInterval()
{
    int shown = 0;
    int signalled = 0;
    {
        auto d = std::make_unique<SampleIntervalDialog>(SampleIntervalDialog::storedInterval());
        shown = sampleState(d.get());
        QObject::connect(d.get(), &SampleIntervalDialog::sampleIntervalSignal, [&](int interval) {
            ++signalled;
            check(interval == shown);
        });
        confirm(d.get(), "buttonBox_SampleInterval");
    }
    check(signalled == 1);
    check(SampleIntervalDialog::storedInterval() == shown);
}

const char* const kPdfEdits[] = {
    "lineEdit_Company",     "lineEdit_UserName",      "lineEdit_Contact",     "lineEdit_TesterName",
    "lineEdit_TesterModel", "lineEdit_TesterVersion", "lineEdit_TestObjName", "lineEdit_Scene"};

QStringList pdfState(QWidget* d)
{
    QStringList texts;
    for (const char* name : kPdfEdits)
        texts << child<QLineEdit>(d, name)->text();
    return texts;
}

void pdfSettings()
{
    QStringList shown;
    int signalled = 0;
    {
        auto d = std::make_unique<PdfSettingDialog>();
        shown = pdfState(d.get());
        QObject::connect(d.get(), &PdfSettingDialog::pdfSettingSignal, [&](PdfSettingData s) {
            ++signalled;
            check(QStringList({s.companyName, s.userName, s.contact, s.testerName, s.testerModel,
                               s.testerVersion, s.testObjName, s.scene}) == shown);
        });
        confirm(d.get(), "buttonBox");
    }
    check(signalled == 1);
    auto again = std::make_unique<PdfSettingDialog>();
    check(pdfState(again.get()) == shown);
}

} // namespace

// A failed allocation returns null, as it does without the sanitizer, so Qt
// reports it as std::bad_alloc, which the program handles, instead of the
// sanitizer ending the process at once.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Removed when the process ends normally.
    static QTemporaryDir scratch(fuzzScratchBase() + QStringLiteral("/fuzz_settings-XXXXXX"));
    check(scratch.isValid());
    folder = &scratch;
    new QApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // A data folder of its own per input: QSettings keeps recently read files
    // and would otherwise hand one input the file of the one before it when
    // both were written within the same millisecond with the same size.
    static int serial = 0;
    const QString home = folder->path() + QStringLiteral("/%1").arg(serial++);
    qputenv("XDG_DATA_HOME", QFile::encodeName(home));

    const int dialog = data[0] % 3;
    const char* const files[] = {"settingsAuto.ini", "settingsSample.ini", "settingsPdf.ini"};
    QFile file(dialogSettingsPath(QLatin1String(files[dialog])));
    check(file.fileName().startsWith(home) && file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    file.close();

    switch (dialog) {
    case 0:
        autoTest();
        break;
    case 1:
        sampleInterval();
        break;
    default:
        pdfSettings();
        break;
    }
    QDir(home).removeRecursively();
    return 0;
}
