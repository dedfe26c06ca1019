// Input as the platform delivers it: mouse events at a position of the
// widget's top-level window, so that the widget under the pointer, an item
// delegate's editorEvent and the selection model all take part; keys to the
// widget that holds the focus.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <Qt>
#include <functional>

class QAbstractItemView;
class QModelIndex;
class QWidget;

namespace UserInput {

// Shows the widget's window, makes it the active window and waits for it.
// False when it did not become active.
[[nodiscard]] bool Activate(QWidget *widget);

// A click at pos of widget (its centre when pos is null), delivered to the
// top-level window at the matching position.
void Click(QWidget *widget, QPoint pos = {}, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = {});
void DoubleClick(QWidget *widget, QPoint pos = {});
// The left button pressed at from of widget, the mouse moved to to with
// it held, and released there.
void Drag(QWidget *widget, QPoint from, QPoint to);

// Where in a cell's rectangle (viewport coordinates) a click lands.
using CellSpot = std::function<QPoint(const QRect &cell)>;
// Clicks a cell in view, at its centre by default; a test failure when the
// spot is not in view.
void ClickCell(QAbstractItemView *view, const QModelIndex &index, const CellSpot &spot = {});
void DoubleClickCell(QAbstractItemView *view, const QModelIndex &index);

// The widget that holds the focus; a test failure when none does.
QWidget *Focused();
// Keys to the widget that holds the focus.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {});
void Type(const QString &text);

} // namespace UserInput
