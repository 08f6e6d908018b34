#pragma once
// Whole-file reads and atomic replacement, so that a crash or a full disk never leaves a
// half-written file behind.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark {

// The file's bytes, or nothing when it does not exist. Raises StoreError when it exists but
// is no regular file (a folder, a named pipe, a device, a terminal), cannot be read or holds
// more than `max_bytes`.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes);

// Replaces `path` with `text`: written to a temporary file beside it, synced, then renamed over
// it. On failure the temporary file is removed, the old file is left as it was, and StoreError
// names `path` and the reason. An existing file we may not write, or something there that is no
// regular file, is refused, not replaced.
void ReplaceFileAtomically(const std::string& path, std::string_view text);
// The same with the parts written one after the other, for a large text not worth copying into
// one.
void ReplaceFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts);

// The same for a secret: the file is readable and writable by its owner alone (mode 0600) from
// the moment it is made, whatever the old file's mode, and a link at `path` is replaced by the
// file instead of being written through.
void ReplacePrivateFile(const std::string& path, std::string_view text);

// Why ReplaceFileAtomically would refuse `path` before writing anything (no such folder, a
// folder we may not write, a file we may not write, something that is no regular file), as a
// StoreError message; "" when it would try. Lets a long job fail before it starts.
std::string ReplaceRefusal(const std::string& path);

// Whether `name` is that of the temporary file a replacement writes beside its target: one a
// killed writer left behind is safe to remove.
bool IsReplacementTempName(std::string_view name);

}  // namespace quillmark
