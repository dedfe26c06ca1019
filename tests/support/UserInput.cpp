#include "UserInput.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>

namespace {

// The window handle and the position in it of pos of widget; null when the
// widget cannot be clicked.
QWindow *WindowPoint(QWidget *widget, QPoint &pos)
{
    if (!widget || !widget->isVisible()) {
        QTest::qFail("the widget to click is not shown", __FILE__, __LINE__);
        return nullptr;
    }
    if (pos.isNull())
        pos = widget->rect().center();
    QWidget *window = widget->window();
    pos = widget->mapTo(window, pos);
    return window->windowHandle();
}

QPoint CellPoint(QAbstractItemView *view, const QModelIndex &index, const UserInput::CellSpot &spot)
{
    const QRect cell = view->visualRect(index);
    const QPoint point = spot ? spot(cell) : cell.center();
    if (!view->viewport()->rect().contains(point))
        QTest::qFail("the cell is not in view", __FILE__, __LINE__);
    return point;
}

// What QTest::mouseClick() does, without handling other events after it: a
// user's click is handled where it arrives, and whatever waits in the queue
// runs only when the loop gets to it. The second of two clicks at once is a
// double click.
void Clicks(QWidget *widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
            int count)
{
    QPointer<QWindow> window = WindowPoint(widget, pos);
    if (!window)
        return;
    const QPointF global = window->mapToGlobal(QPointF(pos));
    QTest::lastMouseTimestamp += 1;
    for (int click = 0; click < count && window; ++click) {
        QTestPrivate::qtestMouseButtons.setFlag(button, true);
        qt_handleMouseEvent(window, pos, global, QTestPrivate::qtestMouseButtons, button,
                            QEvent::MouseButtonPress, modifiers, QTest::lastMouseTimestamp);
        QTestPrivate::qtestMouseButtons.setFlag(button, false);
        qt_handleMouseEvent(window, pos, global, QTestPrivate::qtestMouseButtons, button,
                            QEvent::MouseButtonRelease, modifiers, QTest::lastMouseTimestamp);
    }
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval; // the next click is a new one
}

} // namespace

namespace UserInput {

bool Activate(QWidget *widget)
{
    QWidget *window = widget->window();
    window->show();
    window->activateWindow();
    // Not QTest::qWaitForWindowActive(), which takes a dialog for active
    // while its parent window is.
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

void Click(QWidget *widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    Clicks(widget, pos, button, modifiers, 1);
}

void DoubleClick(QWidget *widget, QPoint pos)
{
    Clicks(widget, pos, Qt::LeftButton, {}, 2);
}

void Drag(QWidget *widget, QPoint from, QPoint to)
{
    QPoint end = to;
    QPointer<QWindow> window = WindowPoint(widget, from);
    if (!window || !WindowPoint(widget, end))
        return;
    QTest::lastMouseTimestamp += 1;
    QTestPrivate::qtestMouseButtons.setFlag(Qt::LeftButton, true);
    qt_handleMouseEvent(window, from, window->mapToGlobal(QPointF(from)), QTestPrivate::qtestMouseButtons,
                        Qt::LeftButton, QEvent::MouseButtonPress, {}, QTest::lastMouseTimestamp);
    if (window) {
        QTest::lastMouseTimestamp += 1;
        qt_handleMouseEvent(window, end, window->mapToGlobal(QPointF(end)), QTestPrivate::qtestMouseButtons,
                            Qt::NoButton, QEvent::MouseMove, {}, QTest::lastMouseTimestamp);
    }
    QTestPrivate::qtestMouseButtons.setFlag(Qt::LeftButton, false);
    if (window)
        qt_handleMouseEvent(window, end, window->mapToGlobal(QPointF(end)), QTestPrivate::qtestMouseButtons,
                            Qt::LeftButton, QEvent::MouseButtonRelease, {}, QTest::lastMouseTimestamp);
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
}

void ClickCell(QAbstractItemView *view, const QModelIndex &index, const CellSpot &spot)
{
    Click(view->viewport(), CellPoint(view, index, spot));
}

void DoubleClickCell(QAbstractItemView *view, const QModelIndex &index)
{
    DoubleClick(view->viewport(), CellPoint(view, index, {}));
}

QWidget *Focused()
{
    QWidget *focused = QApplication::focusWidget();
    if (!focused)
        QTest::qFail("no widget holds the focus", __FILE__, __LINE__);
    return focused;
}

void Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QWidget *focused = Focused())
        QTest::keyClick(focused, key, modifiers);
}

void Type(const QString &text)
{
    for (const QChar c : text) {
        QWidget *focused = Focused();
        if (!focused)
            return;
        // A key for every character, Cyrillic included, as a keyboard
        // layout produces it; a line feed is the Return key.
        if (c == u'\n')
            QTest::keyClick(focused, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, focused, Qt::Key(c.toUpper().unicode()), QString(c), {});
    }
}

} // namespace UserInput
