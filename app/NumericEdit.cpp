#include "NumericEdit.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QWheelEvent>

namespace {
// 18 digits always fit into 64 bits.
constexpr qint64 kLimit = 999'999'999'999'999'999;
}

TNumericEdit::TNumericEdit(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,18}")),
                                                 this));
    connect(this, &QLineEdit::textChanged, this, &TNumericEdit::valueChanged);
}

std::optional<qint64> TNumericEdit::Value() const
{
    bool ok = false;
    const qint64 value = text().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

void TNumericEdit::SetValue(std::optional<qint64> value)
{
    setText(value ? QString::number(*value) : QString());
}

void TNumericEdit::Step(int delta)
{
    if (isReadOnly())
        return;
    const QString before = text();
    SetValue(qBound(-kLimit, Value().value_or(0) + delta, kLimit));
    // A step is the user's edit, as typing is.
    if (text() != before)
        emit textEdited(text());
}

void TNumericEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Step(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TNumericEdit::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y();
    if (steps == 0) {
        QLineEdit::wheelEvent(event);
        return;
    }
    Step(steps > 0 ? 1 : -1);
    event->accept();
}
