#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Blocking notices go through here so tests can answer them instead of a
// person: a test replaces the handler and the program never waits on a box.
namespace prompts {

using Handler = std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                   const QString& text)>;

// Shows a notice with one OK button (or hands it to the installed handler).
void notify(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

// Replaces the handler; an empty handler restores the real message box.
void setHandler(Handler handler);

} // namespace prompts
