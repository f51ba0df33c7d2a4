#include "Prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
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

// A message box is only as wide as its text and buttons, and a short text
// leaves its title cut off ("保…件"): widen it to the title's length plus
// room for the title bar's own buttons.
void makeRoomForTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void notify(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (installed().notify) {
        installed().notify(parent, icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    makeRoomForTitle(box);
    box.exec();
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                     const QString& filter)
{
    if (installed().saveFile)
        return installed().saveFile(parent, caption, proposed, filter);
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

bool openFile(const QString& path)
{
    if (installed().openFile)
        return installed().openFile(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
    makeRoomForTitle(box);
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
