// The serial link to the controller.
//
// How it works: TTerminal lives on the GUI thread and owns the port. Each
// open period has one TTerminalThread that waits for input, reads it and
// posts it back as events (data or failure); TTerminal delivers them as its
// data and error events while the GUI thread handles its queue. Events go to
// the owner's own handlers first, then to every registered TTerminalLink in
// registration order. A handler may add and remove links, its own included:
// every link registered when the event came hears it unless it is removed
// before its turn, and a link registered during a delivery hears from the
// next event on. Close() stops the reader before it closes the port, so
// no thread ever waits on a released descriptor; data the reader posted
// before the close is still delivered, after the closed event.
//
// Discarding what was received: Open() and DiscardInput() empty the port's
// receive queue while no reader runs, then start a new reader. Each reader
// run has a number, and marks what it posts with it; data of an earlier run
// that is still queued for the GUI thread is delivered to the owner's
// handler only (the log shows everything received), never to a link, so no
// transaction takes it for its answer.
#pragma once

#include "TerminalLink.h"

#include <QObject>
#include <QList>
#include <functional>
#include <memory>

namespace serial { class Port; }
class TTerminalThread;

class TTerminal : public QObject
{
    Q_OBJECT

public:
    explicit TTerminal(QObject *parent = nullptr);
    ~TTerminal() override;

    // The owner's own handlers, called before every link's.
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TErrorEvent OnError;
    TDataEvent OnData;
    // Called on the reader's thread once it has posted a chunk, with the
    // chunk's size: for tests that have the GUI thread lag behind the
    // reader. Taken by every reader started after it is set.
    std::function<void(qsizetype)> ReaderPosted;

    // COM port number, read at every Open() and in every error text.
    int PortNumber() const { return m_portNumber; }
    void SetPortNumber(int portNumber) { m_portNumber = portNumber; }

    bool Active() const { return m_active; }
    // The number of the reader run now (or last), which marks its events.
    quint64 ReaderRun() const { return m_readerRun; }

    // Opens and configures the port and starts the reader; no effect when
    // open. Throws TError with the link's error text on failure.
    void Open();
    // Stops the reader and closes the port; no effect when closed.
    void Close();
    // Drops what has been received so far: the bytes waiting in the port
    // and those read but not yet delivered, which reach the owner's handler
    // alone. No effect when closed. On a failure of the port: error event,
    // Close(), then TError with the same text.
    void DiscardInput();
    // Closes the port for good: a running transaction ends as on any close,
    // and every later Open() throws TError(Reason).
    void Shut(const QString &Reason);
    bool IsShut() const { return !m_shutReason.isEmpty(); }
    // Writes Text, opening the port first when it is closed. On a write
    // failure: error event, Close(), then TError with the same text.
    void Send(const QByteArray &Text);

    // Registers Link at the end, once; no effect when registered. Safe in a
    // handler (see above).
    void AddLink(TTerminalLink *Link);
    // No effect when Link is not registered. Safe in a handler, Link's own.
    void RemoveLink(TTerminalLink *Link);

    // "COM<n>: <system message>" for a platform error code.
    QString ErrorText(int code) const;

protected:
    bool event(QEvent *event) override;

private:
    void DeliverOpen();
    void DeliverClose();
    void DeliverError(const QString &text);
    void DeliverData(const QByteArray &text, bool toLinks);
    // A new reader run on the open port.
    void StartReader();
    void StopReader();
    template<typename Own, typename Slot, typename... Args>
    void Deliver(const Own &own, Slot TTerminalLink::*slot, const Args &...args);

    std::unique_ptr<serial::Port> m_port;
    std::unique_ptr<TTerminalThread> m_reader;
    // A registration: a link removed and added again is a new one.
    struct TRegisteredLink
    {
        TTerminalLink *Link;
        quint64 Number;
        bool operator==(const TRegisteredLink &) const = default;
    };
    QList<TRegisteredLink> m_links;
    quint64 m_linksAdded = 0;
    bool m_active = false;
    QString m_shutReason; // set once the terminal is shut
    int m_portNumber = 0;
    quint64 m_readerRun = 0; // the run of the reader now, or of the last one
    quint64 m_openRun = 0;   // the first run of this open period
};
