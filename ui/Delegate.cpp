#include "ui/Delegate.h"

#include <QPainter>

const QColor Delegate::kHoverColor = QColor(233, 233, 233, 255);

Delegate::Delegate(QObject *parent) : QItemDelegate(parent) {}

void Delegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, kHoverColor);
    QItemDelegate::paint(painter, option, index);
}
