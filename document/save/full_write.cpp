#include "document/save/full_write.h"

namespace quillix {

bool wroteAll(bool wrote, std::uint32_t written, std::uint32_t length, SystemError& error) {
    if (!wrote) return false;
    if (written == length) return true;
    error = diskFullError();
    return false;
}

bool writeAllAt(FileSystem& fs, FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                SystemError& error) {
    std::uint32_t written = 0;
    const bool wrote = fs.writeAt(file, offset, data, length, written, error);
    return wroteAll(wrote, written, length, error);
}

bool writeAll(FileSystem& fs, FileHandle file, const void* data, std::uint32_t length, SystemError& error) {
    std::uint32_t written = 0;
    const bool wrote = fs.write(file, data, length, written, error);
    return wroteAll(wrote, written, length, error);
}

}  // namespace quillix
