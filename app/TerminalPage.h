// The "Терминал" page: a raw console on the controller's command line.
// Every received chunk is appended to the log; a typed line goes out with a
// CR, as an operation of the exchange line of its own, so that it never
// lands in the middle of another one's answer: the send button follows the
// line. The page adds nothing of its own to the log: a typed line shows
// there only through the controller's echo.
#pragma once

#include <QWidget>

class QComboBox;
class QKeyEvent;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;
class TExchangeLine;

class TTerminalPage : public QWidget
{
    Q_OBJECT

public:
    TTerminalPage(TExchangeLine &line, QWidget *parent = nullptr);

    // Appends received bytes: LF starts a new line, CR is dropped, every
    // other byte stands as received. The user's caret and selection stay;
    // the view follows the appended text.
    void AppendLog(const QByteArray &Text);

    // Sends the input line; throws TError when the terminal cannot, or
    // "Терминал занят" while another operation holds the line.
    void btnSendClick();

    QPlainTextEdit *mLog;
    QComboBox *cbTx;
    QPushButton *btnSend;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The input line's key-down handler: Enter sends the line.
    void cbTxKeyDown(const QKeyEvent &Key);
    void SendGuarded();
    // Scrolls the log to its last line and sideways just enough to show
    // the place of cursor, which stands on that line.
    void ScrollIntoView(const QTextCursor &cursor);

    TExchangeLine &m_line;
};
