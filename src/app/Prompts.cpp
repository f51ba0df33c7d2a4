#include "Prompts.h"

namespace prompts {
namespace {
Handler& installed()
{
    static Handler handler;
    return handler;
}
} // namespace

void notify(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (installed()) {
        installed()(parent, icon, title, text);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void setHandler(Handler handler)
{
    installed() = std::move(handler);
}

} // namespace prompts
