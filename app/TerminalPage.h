// The "Терминал" page: a raw console on the controller's command line.
// Every received chunk is appended to the log; a typed line goes out with a
// CR. The page adds nothing of its own to the log: a typed line shows there
// only through the controller's echo.
#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class TTerminal;

class TTerminalPage : public QWidget
{
    Q_OBJECT

public:
    TTerminalPage(TTerminal &terminal, QWidget *parent = nullptr);

    // Appends received bytes: LF starts a new line, CR is dropped, every
    // other byte stands as received.
    void AppendLog(const QByteArray &Text);

    // Sends the input line; throws TError when the terminal cannot.
    void btnSendClick();

    QPlainTextEdit *mLog;
    QComboBox *cbTx;
    QPushButton *btnSend;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SendGuarded();

    TTerminal &m_terminal;
};
