#include "Prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QUrl>

namespace prompts {
namespace {

struct Installed
{
    Handler notify;
    SaveFileHandler saveFile;
    OpenFileHandler openFile;
    QuestionHandler question;
};

Installed& installed()
{
    static Installed handlers;
    return handlers;
}

} // namespace

void notify(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (installed().notify) {
        installed().notify(parent, icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                     const QString& filter)
{
    if (installed().saveFile)
        return installed().saveFile(parent, caption, proposed, filter);
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

void openFile(const QString& path)
{
    if (installed().openFile) {
        installed().openFile(path);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QMessageBox::StandardButton ask(QWidget* parent, const QString& title, const QString& text,
                                const Choices& choices)
{
    if (installed().question)
        return installed().question(parent, title, text, choices);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    for (const auto& [role, label] : choices)
        box.addButton(role)->setText(label);
    if (!choices.isEmpty())
        box.setDefaultButton(choices.first().first);
    return QMessageBox::StandardButton(box.exec());
}

void setHandler(Handler handler)
{
    installed().notify = std::move(handler);
}

void setSaveFileHandler(SaveFileHandler handler)
{
    installed().saveFile = std::move(handler);
}

void setOpenFileHandler(OpenFileHandler handler)
{
    installed().openFile = std::move(handler);
}

void setQuestionHandler(QuestionHandler handler)
{
    installed().question = std::move(handler);
}

} // namespace prompts
