#pragma once
// The system calls behind a file that must reach the disk whole, where the
// standard library has no portable call of its own.

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace usblink {

// Creates `file`, which must not exist yet (std::errc::file_exists when it
// does; a link there counts as existing), readable and writable by this user
// only where the system has such modes, and opens it for writing bytes. Null,
// with the reason in `error`, on failure; the caller closes the stream.
std::FILE* CreateNewPrivateFile(const std::filesystem::path& file, std::error_code& error);

// Hands what `stream` buffers to the system and waits until the system has
// put the file's content on the disk.
std::error_code FlushToDisk(std::FILE* stream);

// Renames `from` to `to` in one step, replacing a file at `to`, and has the
// system record the new name on the disk. Both lie in the same folder; `from`
// is not open.
std::error_code RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace usblink
