// Language switching: the Language menu built from the catalogues compiled
// into the program, installing the chosen catalogues, and setting every text
// of the window again when the language changes.
#include "MainWindow.h"

#include "AppLog.h"
#include "DialogSettings.h"
#include "LanguageMenu.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLocale>
#include <QSettings>
#include <QTimer>

namespace {
const QString kLanguageFile = QStringLiteral("settingsLanguage.ini");
const QString kLanguageKey = QStringLiteral("language");
} // namespace

void MainWindow::createLanguageMenu()
{
    if (languageGroup)
        return; // built once; a language change leaves it as it is
    languageGroup = new QActionGroup(ui->menuLanguage);
    languageGroup->setExclusive(true);
    connect(languageGroup, &QActionGroup::triggered, this, &MainWindow::slotLanguageChanged);

    languagePath = QStringLiteral(":/");
    const QStringList catalogues = QDir(languagePath).entryList({QStringLiteral("lang_*.qm")});
    const QVector<languagemenu::Entry> entries =
        languagemenu::entriesFor(catalogues, currentLanguage);
    for (const languagemenu::Entry& entry : entries) {
        auto* action = new QAction(entry.text, this);
        action->setCheckable(true);
        action->setData(entry.code);
        ui->menuLanguage->addAction(action);
        languageGroup->addAction(action);
        languageActions.append(action);
        action->setChecked(entry.checked);
    }
}

void MainWindow::slotLanguageChanged(QAction* action)
{
    if (!action)
        return;
    const QString code = action->data().toString();
    // The operator's choice is where the next start begins.
    openDialogSettings(kLanguageFile)->setValue(kLanguageKey, code);
    applyLanguage(code);
}

QString MainWindow::rememberedLanguage()
{
    return openDialogSettings(kLanguageFile)->value(kLanguageKey, QStringLiteral("zh")).toString();
}

void MainWindow::applyLanguage(const QString& code)
{
    if (code == currentLanguage)
        return;
    qCDebug(lcWindow) << "language" << currentLanguage << "->" << code;
    currentLanguage = code;
    isEnglish = code == QLatin1String("en");
    QLocale::setDefault(QLocale(code));
    installCatalogue(appTranslator, QStringLiteral("lang_%1.qm").arg(code));
    installToolkitCatalogue(code);
    // The check mark shows the language the window is in, also after a
    // change the menu did not make; a language without a catalogue shows
    // the Chinese source texts.
    QAction* shown = nullptr;
    for (QAction* action : qAsConst(languageActions)) {
        const QString own = action->data().toString();
        if (own == code || (!shown && own == QLatin1String("zh")))
            shown = action;
    }
    if (shown)
        shown->setChecked(true);
}

void MainWindow::installToolkitCatalogue(const QString& code)
{
    const QStringList available = QDir(QStringLiteral(":/")).entryList({QStringLiteral("qt_*.qm")});
    installCatalogue(qtTranslator, languagemenu::toolkitCatalogueFor(code, available));
}

void MainWindow::installCatalogue(QTranslator& translator, const QString& fileName)
{
    QCoreApplication::removeTranslator(&translator);
    // A catalogue that is not there leaves its translator out: the texts fall
    // back to their sources.
    if (translator.load(QStringLiteral(":/") + fileName))
        QCoreApplication::installTranslator(&translator);
    else
        qCDebug(lcWindow) << "no catalogue" << fileName;
}

void MainWindow::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::LanguageChange:
        reapplyTexts();
        return;
    case QEvent::LocaleChange:
        // The system's language changed: follow it, whatever the menu shows.
        applyLanguage(languagemenu::languageCodeOf(QLocale::system().name()));
        return;
    default:
        QMainWindow::changeEvent(e);
    }
}

void MainWindow::reapplyTexts()
{
    // The form's own texts, which also puts its placeholders back.
    ui->retranslateUi(this);
    resetLiveDisplay();
    // The window's own texts and the record tables' headers; the rows stay.
    initUi();
    if (!isConnected)
        return;
    ui->actionConnect->setText(tr("断开连接"));
    // The instrument's name is decoded in the language in use: ask again.
    emit getSystemInfoSignal();
    if (ui->stackedWidget->currentIndex() == 0 && !liveTimer->isActive())
        startLivePolling();
}
