// Language switching: the Language menu built from the catalogues compiled
// into the program, installing the chosen catalogues, and setting every text
// of the window again when the language changes.
#include "MainWindow.h"

#include "AppLog.h"
#include "LanguageMenu.h"
#include "ui_mainwindow.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLocale>
#include <QTimer>

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
        languagemenu::entriesFor(catalogues, QLocale::system().name());
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
    isEnglish = code == QLatin1String("en");
    applyLanguage(code);
}

void MainWindow::applyLanguage(const QString& code)
{
    if (code == currentLanguage)
        return;
    qCDebug(lcWindow) << "language" << currentLanguage << "->" << code;
    currentLanguage = code;
    QLocale::setDefault(QLocale(code));
    installCatalogue(appTranslator, QStringLiteral("lang_%1.qm").arg(code));
    installToolkitCatalogue(code);
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
