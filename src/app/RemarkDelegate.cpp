#include "RemarkDelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QToolTip>

namespace {

// Wide enough for a remark of a few words, so the column does not grow with
// a long one.
constexpr int kWidestChars = 24;
// The editor shows this many lines, whatever the row's height.
constexpr int kEditorLines = 4;

} // namespace

void RemarkDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // One line: line breaks shown as a mark, the rest cut by the view's elide mode.
    // (The text given here has its line feeds as line separators already.)
    option->features &= ~QStyleOptionViewItem::WrapText;
    option->text.replace(QRegularExpression(QStringLiteral("\\r?[\\n\\x{2028}\\x{2029}]")),
                         QStringLiteral(" ↵ "));
}

QSize RemarkDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize hint = QStyledItemDelegate::sizeHint(option, index);
    hint.setWidth(qMin(hint.width(), option.fontMetrics.averageCharWidth() * kWidestChars));
    return hint;
}

QWidget* RemarkDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                      const QModelIndex&) const
{
    auto* editor = new QPlainTextEdit(parent);
    editor->setTabChangesFocus(true); // Tab ends the edit, as in the other cells of a table
    return editor;
}

void RemarkDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* text = static_cast<QPlainTextEdit*>(editor);
    text->setPlainText(index.data(Qt::EditRole).toString());
    text->selectAll();
}

void RemarkDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const
{
    const QString text = static_cast<QPlainTextEdit*>(editor)->toPlainText();
    if (text == index.data(Qt::EditRole).toString())
        return;
    model->setData(index, text, Qt::EditRole);
    emit remarkEdited(index, text);
}

void RemarkDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                          const QModelIndex&) const
{
    // Taller than the row, kept inside the table.
    QRect area = option.rect;
    area.setHeight(qMax(area.height(), option.fontMetrics.lineSpacing() * kEditorLines + 12));
    const QRect room = editor->parentWidget()->rect();
    if (area.bottom() > room.bottom())
        area.moveBottom(room.bottom());
    editor->setGeometry(area.intersected(room));
}

bool RemarkDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                               const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const QString text = index.data(Qt::DisplayRole).toString();
    if (event->type() != QEvent::ToolTip || text.isEmpty())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // As rich text the tip wraps its lines instead of running off the screen.
    QToolTip::showText(
        event->globalPos(),
        QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped()),
        view->viewport(), option.rect);
    return true;
}
