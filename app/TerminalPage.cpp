#include "TerminalPage.h"

#include "ErrorBox.h"
#include "common/Cp1251.h"
#include "common/Error.h"
#include "terminal/Exchange.h"
#include "terminal/ExchangeLine.h"
#include "terminal/Terminal.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

TTerminalPage::TTerminalPage(TExchangeLine &line, QWidget *parent)
    : QWidget(parent), m_line(line)
{
    mLog = new QPlainTextEdit(this);
    mLog->setObjectName(QStringLiteral("mLog"));
    mLog->setGeometry(8, 8, 737, 345);
    QFont font(QStringLiteral("Courier"), 8);
    font.setStyleHint(QFont::TypeWriter);
    mLog->setFont(font);
    mLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mLog->setUndoRedoEnabled(false);

    cbTx = new QComboBox(this);
    cbTx->setObjectName(QStringLiteral("cbTx"));
    cbTx->setGeometry(8, 360, 705, 21);
    cbTx->setEditable(true);
    cbTx->setInsertPolicy(QComboBox::NoInsert); // the history is kept by btnSendClick
    cbTx->setCompleter(nullptr);                 // what is typed is what is sent
    // The combo box holds the focus and hands keys to its line edit itself.
    cbTx->installEventFilter(this);

    btnSend = new QPushButton(QStringLiteral("..."), this);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setGeometry(720, 360, 25, 21);
    btnSend->setAutoDefault(false);
    connect(btnSend, &QPushButton::clicked, this, &TTerminalPage::SendGuarded);
    connect(&line, &TExchangeLine::exchangeRunningChanged, btnSend,
            [this](bool running) { btnSend->setEnabled(!running); });
}

void TTerminalPage::AppendLog(const QByteArray &Text)
{
    QByteArray bytes = Text;
    bytes.replace('\r', QByteArray()); // a CR only ends a run
    if (bytes.isEmpty())
        return;
    // The user's caret and selection stay where they are; only the view
    // follows the appended text.
    const int anchor = mLog->textCursor().anchor();
    const int position = mLog->textCursor().position();
    // insertText() turns each LF into a new line.
    QTextCursor end(mLog->document());
    end.movePosition(QTextCursor::End);
    end.insertText(Cp1251::toUnicode(bytes));
    QTextCursor user = mLog->textCursor();
    if (user.anchor() != anchor || user.position() != position) {
        user.setPosition(anchor);
        user.setPosition(position, QTextCursor::KeepAnchor);
        mLog->setTextCursor(user);
    }
    ScrollIntoView(end);
}

void TTerminalPage::ScrollIntoView(const QTextCursor &cursor)
{
    QScrollBar *vertical = mLog->verticalScrollBar();
    vertical->setValue(vertical->maximum());
    const QRect place = mLog->cursorRect(cursor);
    const int width = mLog->viewport()->width();
    QScrollBar *horizontal = mLog->horizontalScrollBar();
    if (place.left() < 0)
        horizontal->setValue(horizontal->value() + place.left());
    else if (place.right() >= width)
        horizontal->setValue(horizontal->value() + place.right() - width + 1);
}

void TTerminalPage::btnSendClick()
{
    const QString line = cbTx->currentText();
    if (line.isEmpty())
        return;
    {
        // A line typed during a transaction would become part of its answer.
        const TExchange exchange(m_line);
        m_line.Terminal().Send(Cp1251::fromUnicode(line) + '\r');
    }

    for (int i = cbTx->count() - 1; i >= 0; --i) {
        if (cbTx->itemText(i).compare(line, Qt::CaseInsensitive) == 0)
            cbTx->removeItem(i);
    }
    cbTx->insertItem(0, line);
    cbTx->setEditText(QString());
}

void TTerminalPage::SendGuarded()
{
    try {
        btnSendClick();
    } catch (const TError &error) {
        ErrorBox::Show(window(), error.Message());
    }
}

bool TTerminalPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cbTx && event->type() == QEvent::KeyPress)
        cbTxKeyDown(*static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

void TTerminalPage::cbTxKeyDown(const QKeyEvent &Key)
{
    // Enter with any modifier; the combo box handles the key afterwards.
    if (Key.key() == Qt::Key_Return || Key.key() == Qt::Key_Enter)
        SendGuarded();
}
