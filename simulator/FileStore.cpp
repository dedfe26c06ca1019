#include "FileStore.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace sim {

namespace fs = std::filesystem;

bool FileStore::open(const std::string &directory,
                     const std::map<std::string, std::string> &defaults, std::string *error)
{
    std::lock_guard lock(mutex);
    dir = directory;
    files.clear();
    if (dir.empty()) {
        files = defaults;
        return true;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        if (error)
            *error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    for (const auto &entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || !isValidName(name))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[name].assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const auto &[name, bytes] : defaults) {
        if (files.count(name))
            continue;
        files[name] = bytes;
        if (!save(name, bytes)) {
            if (error)
                *error = "cannot write " + (fs::path(dir) / name).string();
            return false;
        }
    }
    return true;
}

bool FileStore::has(const std::string &name) const
{
    std::lock_guard lock(mutex);
    return files.count(name) != 0;
}

std::string FileStore::get(const std::string &name) const
{
    std::lock_guard lock(mutex);
    const auto it = files.find(name);
    return it == files.end() ? std::string() : it->second;
}

bool FileStore::set(const std::string &name, const std::string &bytes)
{
    if (!isValidName(name))
        return false;
    std::lock_guard lock(mutex);
    files[name] = bytes;
    return save(name, bytes);
}

bool FileStore::write(const std::string &name, std::size_t offset, const std::string &bytes)
{
    if (!isValidName(name))
        return false;
    std::lock_guard lock(mutex);
    std::string &file = files[name];
    if (file.size() < offset + bytes.size())
        file.resize(offset + bytes.size(), '\0');
    file.replace(offset, bytes.size(), bytes);
    return save(name, file);
}

bool FileStore::isValidName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool FileStore::save(const std::string &name, const std::string &bytes) const
{
    if (dir.empty())
        return true;
    std::ofstream out(fs::path(dir) / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace sim
