#pragma once
// The window opens and replaces plain files only: a named pipe, a device or a folder chosen in
// a file dialog is refused with a reason instead of freezing the window or replacing a device.

#include <string>
#include <string_view>

namespace quillmark {

enum class MissingFile { kRefuse, kAllow };

// Raises StoreError ("cannot <action> <path>: <reason>") when `path`, links followed, is not a
// regular file; a path that does not exist is refused too unless `missing` allows it.
void RequireRegularFile(std::string_view action, const std::string& path,
                        MissingFile missing = MissingFile::kRefuse);

}  // namespace quillmark
