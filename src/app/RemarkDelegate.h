#pragma once

#include <QStyledItemDelegate>

// The remark column of the live record table. A remark may be long and span
// lines; in the table it shows on one line, cut short with an ellipsis, so
// every row keeps the height of one line and its time, reading and verdict
// stay in view. The whole text is in its tool tip, in the editor (a
// double-click or F2 opens it) and in the model, which the exports read.
class RemarkDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    // The operator changed the remark of the row of `index`.
    void remarkEdited(const QModelIndex& index, const QString& text) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
