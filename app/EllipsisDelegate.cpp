#include "EllipsisDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

QRect TEllipsisDelegate::ButtonRect(const QRect &cell)
{
    constexpr int kButtonWidth = 16;
    const int width = qMin(kButtonWidth, cell.width());
    return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

void TEllipsisDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    const QRect button = ButtonRect(option.rect);
    QStyleOptionViewItem textOption = option;
    textOption.rect.setRight(button.left() - 1);
    QStyledItemDelegate::paint(painter, textOption, index);

    QStyleOptionButton buttonOption;
    buttonOption.rect = button;
    buttonOption.text = QStringLiteral("...");
    buttonOption.state = QStyle::State_Raised;
    if (m_buttonEnabled)
        buttonOption.state |= QStyle::State_Enabled;
    buttonOption.palette = option.palette;
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &buttonOption, painter, option.widget);
}

bool TEllipsisDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                    const QStyleOptionViewItem &option, const QModelIndex &index)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !ButtonRect(option.rect).contains(mouse->position().toPoint()))
            break;
        if (event->type() == QEvent::MouseButtonRelease && m_buttonEnabled)
            emit buttonClicked(index);
        return true;
    }
    default:
        break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
