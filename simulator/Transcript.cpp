#include "Transcript.h"

#include <cstdio>
#include <ctime>

namespace sim {

namespace {

std::string isoTime(std::chrono::system_clock::time_point time)
{
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

} // namespace

bool Transcript::openFile(const std::string &path)
{
    file.open(path, std::ios::app);
    return static_cast<bool>(file);
}

void Transcript::closeFile()
{
    file.close();
}

void Transcript::record(const TranscriptEntry &entry)
{
    {
        std::lock_guard lock(mutex);
        list.push_back(entry);
    }
    if (file.is_open()) {
        file << isoTime(entry.time) << '\t' << entry.bytesIn << '\t' << entry.bytesOut << '\t' << entry.command
             << '\n';
        file.flush();
    }
}

std::vector<TranscriptEntry> Transcript::entries() const
{
    std::lock_guard lock(mutex);
    return list;
}

void Transcript::clear()
{
    std::lock_guard lock(mutex);
    list.clear();
}

} // namespace sim
