// The stand-in's files: kept in memory, optionally written through to a
// directory with one file per name.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace sim {

class FileStore
{
public:
    // With an empty directory the files live in memory only. Otherwise the
    // files found there are loaded, and every name of `defaults` missing there
    // is created from it.
    bool open(const std::string &directory, const std::map<std::string, std::string> &defaults,
              std::string *error);

    bool has(const std::string &name) const;
    std::string get(const std::string &name) const; // empty when missing
    // Replaces a whole file.
    bool set(const std::string &name, const std::string &bytes);
    // Stores bytes at offset, growing the file with zero bytes as needed.
    bool write(const std::string &name, std::size_t offset, const std::string &bytes);

    // A name the store accepts: not empty, no path separator, not "." or "..".
    static bool isValidName(const std::string &name);

private:
    bool save(const std::string &name, const std::string &bytes) const; // caller holds mutex

    mutable std::mutex mutex;
    std::string dir;
    std::map<std::string, std::string> files;
};

} // namespace sim
