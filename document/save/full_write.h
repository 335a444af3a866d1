#pragma once
// Writes that either put down every byte asked or fail: a write call that succeeds with
// fewer bytes wrote what the disk had room for, and is reported as a full disk.

#include <cstdint>

#include "document/file/file_system.h"

namespace quillix {

// Whether a write call (wrote: its result, written: the bytes it took) put down all of
// length. Returns false with error the full disk's code when it succeeded short, and
// false with error as the call left it when it failed.
bool wroteAll(bool wrote, std::uint32_t written, std::uint32_t length, SystemError& error);

// length bytes of data at offset of file, or false with error set (see wroteAll).
bool writeAllAt(FileSystem& fs, FileHandle file, std::int64_t offset, const void* data, std::uint32_t length,
                SystemError& error);

// length bytes of data at file's current position, or false with error set (see wroteAll).
bool writeAll(FileSystem& fs, FileHandle file, const void* data, std::uint32_t length, SystemError& error);

}  // namespace quillix
