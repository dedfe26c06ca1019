// The "Терминал" page: a raw console on the controller's command line.
// Every received chunk is appended to the log; a typed line goes out with a
// CR, as an operation of the exchange line of its own, so that it never
// lands in the middle of another one's answer: the send button follows the
// line. The page adds nothing of its own to the log: a typed line shows
// there only through the controller's echo.
//
// Under the log: a session log to a file on request ("Журнал в файл…"),
// "Сохранить журнал…" for what the log holds, the hex dump of the received
// bytes ("HEX") and the search (Ctrl+F, F3, Shift+F3).
#pragma once

#include "SessionLog.h"
#include "TerminalLog.h"

#include <QDateTime>
#include <QWidget>

#include <optional>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TExchangeLine;
struct TExchangeStep;
class TTerminalLogView;

class TTerminalPage : public QWidget
{
    Q_OBJECT

public:
    TTerminalPage(TExchangeLine &line, QWidget *parent = nullptr);
    ~TTerminalPage() override;

    // Appends received bytes: LF starts a new line, CR only ends a run of
    // text, every other byte stands as received. The user's caret and
    // selection stay; the view follows the appended text.
    void AppendLog(const QByteArray &Text);
    TTerminalLog &Log() { return m_log; }

    // Sends the input line; throws TError when the terminal cannot, or
    // "Терминал занят" while another operation holds the line.
    void btnSendClick();

    // The proposed names of the files the page writes, for Day.
    static QString ProposedSessionLogName(const QDate &Day);
    static QString ProposedSaveName(const QDate &Day);

    TTerminalLogView *mLog;
    QComboBox *cbTx;
    QPushButton *btnSend;
    QPushButton *btnSessionLog;
    QPushButton *btnSaveLog;
    QPushButton *btnHex;
    QLabel *lblFind;
    QLineEdit *eFind;
    QToolButton *btnFindPrev;
    QToolButton *btnFindNext;

signals:
    // A message for the status bar; empty to take the last one away.
    void statusMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The input line's key-down handler: Enter sends the line.
    void cbTxKeyDown(const QKeyEvent &Key);
    void SendGuarded();
    void btnSessionLogClick(bool checked);
    void SessionLogEnded(const QString &message);
    // Writes what the log holds into a file the user picks; throws TError
    // when it cannot be written.
    void btnSaveLogClick();
    void SaveGuarded();
    void Find(bool backward);
    // Asks for a file to write; empty when the user cancelled.
    QString ChooseFile(const QString &caption, const QString &name, bool confirmOverwrite);
    // A command of an operation has started; it is written to the session
    // log as sent once it has gone out.
    void CommandStarted(const TExchangeStep &step);
    void LogStartedCommand();

    TExchangeLine &m_line;
    TTerminalLog m_log;
    TSessionLog m_sessionLog{m_log.Traffic()};
    struct TSentLine
    {
        QByteArray Line;
        QDateTime Time;
    };
    std::optional<TSentLine> m_startedCommand;
    QString m_folder; // of the last file chosen
};
