// Win32 serial port: an overlapped COM handle.
//
// open() keeps the port's settings and time-outs as it found them (the
// driver keeps both between handles), and close() puts them back once the
// output has gone out.
//
// The reader's waits and reads share one OVERLAPPED record, the writer has
// its own, so a write can run while a wait is pending. waitForInput() asks
// for the queue count before every WaitCommEvent(), so bytes left over from
// a read are reported without a new arrival, and a comm event with nothing
// queued only starts the next pass. A wait that stop() ends is cancelled and
// completed before waitForInput() returns: no I/O stays pending on the
// record afterwards. discardInput() is PurgeComm(PURGE_RXCLEAR), and drops
// the byte a wait may have read early (below).
//
// A failed WaitCommEvent ends the reader's run as a failure, except under
// wine: on a pseudo-terminal, which has no modem lines, wine fails every
// WaitCommEvent at once, so there only, when a wait fails while the port
// itself still answers, the port waits with a one-byte read for the rest of
// its open period instead: the read time-outs bound each wait, so an idle
// port wakes about every 1.5 s rather than spinning, and a byte such a read
// returns is handed out first by the next read().
#include "serial.h"

#include <windows.h>

namespace serial {

namespace {

class Win32Port final : public Port
{
public:
    ~Win32Port() override { close(); }

    ErrorCode open(const std::string &device) override;
    WaitResult waitForInput(ErrorCode &error) override;
    ErrorCode queuedBytes(std::size_t &count) override;
    ErrorCode read(char *buffer, std::size_t size, std::size_t &got) override;
    ErrorCode write(const char *data, std::size_t size) override;
    void stop() override;
    ErrorCode discardInput() override;
    void close() override;
    bool isOpen() const override { return m_port != INVALID_HANDLE_VALUE; }

private:
    ErrorCode setUp();
    // One WaitCommEvent(), or one read of a byte once events do not work:
    // Input when something came.
    WaitResult awaitInput(ErrorCode &error);
    // Waits for the overlapped reader call in progress; Input when it
    // completed, Stopped when stop() came first.
    WaitResult awaitReaderCall(ErrorCode &error);
    // Finishes an overlapped call that returned ok; returns 0 or the code.
    ErrorCode complete(BOOL ok, OVERLAPPED &io, DWORD &transferred);

    HANDLE m_port = INVALID_HANDLE_VALUE;
    // As open() found them, to be put back.
    bool m_found = false;
    DCB m_foundSettings {};
    COMMTIMEOUTS m_foundTimeouts {};
    HANDLE m_stopEvent = nullptr;
    OVERLAPPED m_readIo {};
    OVERLAPPED m_writeIo {};
    DWORD m_eventMask = 0;
    bool m_eventsWork = true;
    bool m_hasEarlyByte = false;
    char m_earlyByte = 0;
};

// wine's ntdll exports wine_get_version, Windows' does not.
bool runsUnderWine()
{
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// A manual-reset event, zeroed record.
bool prepare(OVERLAPPED &io)
{
    io = OVERLAPPED {};
    io.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    return io.hEvent != nullptr;
}

void restart(OVERLAPPED &io)
{
    const HANDLE event = io.hEvent;
    io = OVERLAPPED {};
    io.hEvent = event;
}

void closeEvent(HANDLE &event)
{
    if (event != nullptr)
        CloseHandle(event);
    event = nullptr;
}

ErrorCode Win32Port::open(const std::string &device)
{
    close();
    m_port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    if (m_port == INVALID_HANDLE_VALUE)
        return static_cast<ErrorCode>(GetLastError());
    const ErrorCode error = setUp();
    if (error != 0)
        close();
    return error;
}

ErrorCode Win32Port::setUp()
{
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = 1000;
    timeouts.ReadTotalTimeoutMultiplier = 500;
    timeouts.ReadTotalTimeoutConstant = 1000;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 100;

    // Only fBinary: no parity check, no flow control, DTR and RTS off.
    DCB settings {};
    settings.DCBlength = sizeof settings;
    settings.BaudRate = CBR_9600;
    settings.fBinary = TRUE;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;

    m_foundSettings.DCBlength = sizeof m_foundSettings;
    if (!GetCommState(m_port, &m_foundSettings) || !GetCommTimeouts(m_port, &m_foundTimeouts))
        return static_cast<ErrorCode>(GetLastError());
    m_found = true;
    if (!SetCommTimeouts(m_port, &timeouts) || !SetCommState(m_port, &settings))
        return static_cast<ErrorCode>(GetLastError());

    m_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_stopEvent == nullptr || !prepare(m_readIo) || !prepare(m_writeIo))
        return static_cast<ErrorCode>(GetLastError());
    return 0;
}

WaitResult Win32Port::waitForInput(ErrorCode &error)
{
    if (m_port == INVALID_HANDLE_VALUE) {
        error = ERROR_INVALID_HANDLE;
        return WaitResult::Failed;
    }
    for (;;) {
        if (WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0)
            return WaitResult::Stopped;
        // The mask first: bytes that arrive after it was set end the wait.
        if (!SetCommMask(m_port, EV_RXCHAR)) {
            error = static_cast<ErrorCode>(GetLastError());
            return WaitResult::Failed;
        }
        std::size_t queued = 0;
        error = queuedBytes(queued);
        if (error != 0)
            return WaitResult::Failed;
        if (queued > 0)
            return WaitResult::Input;
        const WaitResult result = awaitInput(error);
        if (result != WaitResult::Input)
            return result;
    }
}

WaitResult Win32Port::awaitInput(ErrorCode &error)
{
    restart(m_readIo);
    DWORD transferred = 0;
    if (m_eventsWork) {
        if (!WaitCommEvent(m_port, &m_eventMask, &m_readIo) && GetLastError() != ERROR_IO_PENDING) {
            error = static_cast<ErrorCode>(GetLastError());
            return WaitResult::Failed;
        }
    } else if (!ReadFile(m_port, &m_earlyByte, 1, nullptr, &m_readIo) && GetLastError() != ERROR_IO_PENDING) {
        error = static_cast<ErrorCode>(GetLastError());
        return WaitResult::Failed;
    }

    const WaitResult result = awaitReaderCall(error);
    if (result != WaitResult::Input)
        return result;
    if (GetOverlappedResult(m_port, &m_readIo, &transferred, FALSE) || GetLastError() == ERROR_TIMEOUT) {
        m_hasEarlyByte = !m_eventsWork && transferred == 1;
        return WaitResult::Input;
    }
    error = static_cast<ErrorCode>(GetLastError());
    std::size_t queued = 0;
    if (!m_eventsWork || !runsUnderWine() || queuedBytes(queued) != 0)
        return WaitResult::Failed;
    m_eventsWork = false;
    return WaitResult::Input;
}

WaitResult Win32Port::awaitReaderCall(ErrorCode &error)
{
    const HANDLE events[] = { m_stopEvent, m_readIo.hEvent };
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1)
        return WaitResult::Input;

    error = woken == WAIT_OBJECT_0 ? 0 : static_cast<ErrorCode>(GetLastError());
    DWORD unused = 0;
    CancelIo(m_port);
    if (GetOverlappedResult(m_port, &m_readIo, &unused, TRUE) && unused == 1 && !m_eventsWork)
        m_hasEarlyByte = true;
    return woken == WAIT_OBJECT_0 ? WaitResult::Stopped : WaitResult::Failed;
}

ErrorCode Win32Port::queuedBytes(std::size_t &count)
{
    DWORD lineErrors = 0;
    COMSTAT status {};
    count = 0;
    if (!ClearCommError(m_port, &lineErrors, &status))
        return static_cast<ErrorCode>(GetLastError());
    count = status.cbInQue + (m_hasEarlyByte ? 1 : 0);
    return 0;
}

// A call that the port's time-outs end completes with what it transferred
// (wine reports ERROR_TIMEOUT for it).
ErrorCode Win32Port::complete(BOOL ok, OVERLAPPED &io, DWORD &transferred)
{
    if (!ok && GetLastError() != ERROR_IO_PENDING)
        return static_cast<ErrorCode>(GetLastError());
    if (!GetOverlappedResult(m_port, &io, &transferred, TRUE) && GetLastError() != ERROR_TIMEOUT)
        return static_cast<ErrorCode>(GetLastError());
    return 0;
}

ErrorCode Win32Port::read(char *buffer, std::size_t size, std::size_t &got)
{
    got = 0;
    if (m_hasEarlyByte && size > 0) {
        buffer[0] = m_earlyByte;
        m_hasEarlyByte = false;
        got = 1;
        return 0;
    }
    restart(m_readIo);
    DWORD transferred = 0;
    const BOOL ok = ReadFile(m_port, buffer, static_cast<DWORD>(size), nullptr, &m_readIo);
    const ErrorCode error = complete(ok, m_readIo, transferred);
    got = transferred;
    return error;
}

ErrorCode Win32Port::write(const char *data, std::size_t size)
{
    if (m_port == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    restart(m_writeIo);
    DWORD transferred = 0;
    const BOOL ok = WriteFile(m_port, data, static_cast<DWORD>(size), nullptr, &m_writeIo);
    // A write cut short by the write time-out counts as done.
    return complete(ok, m_writeIo, transferred);
}

void Win32Port::stop()
{
    if (m_stopEvent != nullptr)
        SetEvent(m_stopEvent);
}

ErrorCode Win32Port::discardInput()
{
    if (m_port == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    m_hasEarlyByte = false;
    if (!PurgeComm(m_port, PURGE_RXCLEAR) || !ResetEvent(m_stopEvent))
        return static_cast<ErrorCode>(GetLastError());
    return 0;
}

void Win32Port::close()
{
    if (m_port != INVALID_HANDLE_VALUE) {
        if (m_found) {
            // What was written goes out at the tool's settings first; without
            // flow control that takes at most the line time of the queue.
            FlushFileBuffers(m_port);
            SetCommState(m_port, &m_foundSettings);
            SetCommTimeouts(m_port, &m_foundTimeouts);
        }
        CloseHandle(m_port);
    }
    m_port = INVALID_HANDLE_VALUE;
    m_found = false;
    m_eventsWork = true;
    m_hasEarlyByte = false;
    closeEvent(m_stopEvent);
    closeEvent(m_readIo.hEvent);
    closeEvent(m_writeIo.hEvent);
}

} // namespace

std::unique_ptr<Port> createPort()
{
    return std::make_unique<Win32Port>();
}

std::string deviceForPort(int portNumber)
{
    return "\\\\.\\COM" + std::to_string(portNumber);
}

std::string portMappingError()
{
    return {};
}

bool deviceExists(int portNumber)
{
    char target[512];
    const std::string name = "COM" + std::to_string(portNumber);
    return QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
}

std::string systemMessage(ErrorCode code)
{
    char buffer[256];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    return trimMessage(std::string(buffer, length));
}

ErrorCode hangupError()
{
    return ERROR_GEN_FAILURE;
}

} // namespace serial
