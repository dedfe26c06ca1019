// Qt-free serial port backend.
//
// One interface, one file per platform behind it (serial_posix.cpp,
// serial_win32.cpp). The port is used by two threads at once: the reader
// thread calls waitForInput(), queuedBytes() and read(); the GUI thread
// calls write() and stop(). open(), discardInput() and close() run on the
// GUI thread while no reader is running.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace serial {

// errno on POSIX, GetLastError() on Windows. 0 means success.
using ErrorCode = int;

enum class WaitResult {
    Input,   // bytes are queued (or the next read will report a failure)
    Stopped, // stop() was called
    Failed,  // the line failed: cable gone, other side hung up, driver error
};

class Port
{
public:
    virtual ~Port() = default;

    // Opens the device for exclusive use and sets it up: 9600 baud, 8 data
    // bits, no parity, 1 stop bit, raw bytes, no flow control, DTR and RTS
    // off. What it changes on the device close() puts back. Clears a
    // previous stop(). Returns 0 or the error code.
    virtual ErrorCode open(const std::string &device) = 0;

    // Blocks until input is queued, stop() is called or the line fails.
    // On Failed, error holds the code. Never returns Input while nothing
    // can be read.
    virtual WaitResult waitForInput(ErrorCode &error) = 0;

    // Number of received bytes that can be read at once without blocking.
    virtual ErrorCode queuedBytes(std::size_t &count) = 0;

    // Reads up to size bytes that are queued. A hang-up of the other side is
    // reported as an error code, never as a 0-byte result. got == 0 with a
    // return of 0 only means that nothing was queued after all (a wake that
    // waitForInput() does not produce): the caller waits again.
    virtual ErrorCode read(char *buffer, std::size_t size, std::size_t &got) = 0;

    // Writes all bytes and returns once the port has taken them (a write cut
    // short by the write time-out counts as done).
    virtual ErrorCode write(const char *data, std::size_t size) = 0;

    // Thread-safe. Wakes a pending waitForInput(), which returns Stopped, and
    // makes every later wait return Stopped until the next open() or
    // discardInput().
    virtual void stop() = 0;

    // Discards every received byte that has not been read yet, and, like
    // open(), clears a previous stop(). Call only while no reader runs.
    // Returns 0 or the error code.
    virtual ErrorCode discardInput() = 0;

    // Puts the device's settings back as open() found them, once what was
    // written has gone out, and releases it. Call only after the reader has
    // finished.
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
};

std::unique_ptr<Port> createPort();

// The device behind COM port number n: "\\.\COM<n>" on Windows; on POSIX
// "<$KOLT_TARVO_PORTS>/COM<n>" when that variable is set, otherwise
// "/dev/ttyS<n-1>".
std::string deviceForPort(int portNumber);

// Why no port can be opened as deviceForPort() names it, empty when it can:
// on POSIX a KOLT_TARVO_PORTS that is set but names no directory
// ("KOLT_TARVO_PORTS=<value>: <system message>").
std::string portMappingError();

// Whether the system knows the device deviceForPort() names: a DOS device
// name on Windows, a file (following links) on POSIX.
bool deviceExists(int portNumber);

// The system's message for an error code with trailing control characters,
// blanks and full stops removed; empty when the system has no text for it.
std::string systemMessage(ErrorCode code);

// The text without its trailing control characters, blanks and full stops.
std::string trimMessage(std::string text);

// "COM<n>: <system message>".
std::string errorText(int portNumber, ErrorCode code);
// "COM<n>: <message>".
std::string errorText(int portNumber, const std::string &message);

// The code reported when the other side hangs up (EIO on POSIX).
ErrorCode hangupError();

} // namespace serial
