#pragma once

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>

#include <functional>

class QWidget;

// Everything that waits for a person goes through here (notices, questions,
// the save-file dialog) and so does handing a file to the desktop, so tests
// can answer instead of a person: a test replaces a handler and the program
// never blocks on a box or launches another program.
namespace prompts {

using Handler = std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                   const QString& text)>;
using SaveFileHandler = std::function<QString(QWidget* parent, const QString& caption,
                                              const QString& proposed, const QString& filter)>;
using OpenFileHandler = std::function<bool(const QString& path)>;
// The buttons of a question, each a standard role with the text it shows.
using Choices = QList<QPair<QMessageBox::StandardButton, QString>>;
using QuestionHandler = std::function<QMessageBox::StandardButton(
    QWidget* parent, const QString& title, const QString& text, const Choices& choices)>;

// Shows a notice with one OK button (or hands it to the installed handler).
void notify(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

// The file name the operator chose to save to, or an empty text when cancelled.
QString saveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                     const QString& filter);

// Opens a written file with the desktop's application for it; false when
// there is none (or it could not be started).
bool openFile(const QString& path);

// Asks a question; returns the role of the chosen button (the first choice
// is the default, closing the box answers Cancel when it is a choice).
QMessageBox::StandardButton ask(QWidget* parent, const QString& title, const QString& text,
                                const Choices& choices);

// Replace a handler; an empty handler restores the real behaviour.
void setHandler(Handler handler);
void setSaveFileHandler(SaveFileHandler handler);
void setOpenFileHandler(OpenFileHandler handler);
void setQuestionHandler(QuestionHandler handler);

} // namespace prompts
