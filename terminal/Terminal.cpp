#include "Terminal.h"

#include "TerminalThread.h"
#include "ThreadHandOver.h"
#include "common/Error.h"
#include "serial.h"

#include <algorithm>

TTerminal::TTerminal(QObject *parent)
    : QObject(parent), m_port(serial::createPort())
{
}

TTerminal::~TTerminal()
{
    Close();
}

QString TTerminal::ErrorText(int code) const
{
    return QString::fromLocal8Bit(serial::errorText(m_portNumber, code));
}

void TTerminal::Open()
{
    if (m_active)
        return;
    if (!m_shutReason.isEmpty())
        throw TError(m_shutReason);
    if (const std::string problem = serial::portMappingError(); !problem.empty())
        throw TError(QString::fromLocal8Bit(serial::errorText(m_portNumber, problem)));
    if (const serial::ErrorCode code = m_port->open(serial::deviceForPort(m_portNumber)))
        throw TError(ErrorText(code));
    // What the controller sent while the port was closed answers nothing now.
    if (const serial::ErrorCode code = m_port->discardInput()) {
        m_port->close();
        throw TError(ErrorText(code));
    }
    m_active = true;
    StartReader();
    m_openRun = m_readerRun;
    DeliverOpen();
}

void TTerminal::Close()
{
    if (!m_active)
        return;
    StopReader();
    m_port->close();
    m_active = false;
    DeliverClose();
}

void TTerminal::DiscardInput()
{
    if (!m_active)
        return;
    // Once the reader has ended, all it read is queued to us under its run.
    StopReader();
    if (const serial::ErrorCode code = m_port->discardInput()) {
        const QString text = ErrorText(code);
        DeliverError(text);
        Close();
        throw TError(text);
    }
    StartReader();
}

void TTerminal::StartReader()
{
    m_reader = std::make_unique<TTerminalThread>(this, *m_port, ++m_readerRun, ReaderPosted);
    m_reader->Start();
}

void TTerminal::StopReader()
{
    if (!m_reader)
        return;
    m_reader->Stop();
    m_reader.reset();
}

void TTerminal::Shut(const QString &Reason)
{
    m_shutReason = Reason;
    Close();
}

void TTerminal::Send(const QByteArray &Text)
{
    if (!m_active)
        Open();
    if (const serial::ErrorCode code = m_port->write(Text.constData(), std::size_t(Text.size()))) {
        const QString text = ErrorText(code);
        DeliverError(text);
        Close();
        throw TError(text);
    }
}

void TTerminal::AddLink(TTerminalLink *Link)
{
    const auto registered = [Link](const TRegisteredLink &entry) { return entry.Link == Link; };
    if (std::none_of(m_links.cbegin(), m_links.cend(), registered))
        m_links.append({Link, ++m_linksAdded});
}

void TTerminal::RemoveLink(TTerminalLink *Link)
{
    m_links.removeIf([Link](const TRegisteredLink &entry) { return entry.Link == Link; });
}

bool TTerminal::event(QEvent *event)
{
    ThreadHandOver::Acquire(event); // it may come from the reader
    if (event->type() == TTerminalDataEvent::Type) {
        const auto *data = static_cast<TTerminalDataEvent *>(event);
        DeliverData(data->Bytes, data->Run == m_readerRun);
        return true;
    }
    if (event->type() == TTerminalErrorEvent::Type) {
        // A failure of an earlier open period is over: its period was closed
        // already, and closing now would end the current one.
        const auto *error = static_cast<TTerminalErrorEvent *>(event);
        if (m_active && error->Run >= m_openRun) {
            DeliverError(ErrorText(error->Code));
            Close();
        }
        return true;
    }
    return QObject::event(event);
}

template<typename Own, typename Slot, typename... Args>
void TTerminal::Deliver(const Own &own, Slot TTerminalLink::*slot, const Args &...args)
{
    // The links of the event are those registered now; each is asked again
    // before its turn, since any handler may remove it.
    const QList<TRegisteredLink> links = slot ? m_links : QList<TRegisteredLink>();
    if (own)
        own(this, args...);
    for (const TRegisteredLink &link : links) {
        if (!m_links.contains(link))
            continue;
        const auto handler = link.Link->*slot; // a copy: the link may go during the call
        if (handler)
            handler(this, args...);
    }
}

void TTerminal::DeliverOpen() { Deliver(OnOpen, &TTerminalLink::OnOpen); }
void TTerminal::DeliverClose() { Deliver(OnClose, &TTerminalLink::OnClose); }
void TTerminal::DeliverError(const QString &text) { Deliver(OnError, &TTerminalLink::OnError, text); }
void TTerminal::DeliverData(const QByteArray &text, bool toLinks)
{
    Deliver(OnData, toLinks ? &TTerminalLink::OnData : nullptr, text);
}
