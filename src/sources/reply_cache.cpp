#include "sources/reply_cache.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "pages/text_hash.h"
#include "sources/sources_limits.h"
#include "store/atomic_file.h"
#include "store/store_error.h"
#include "store/user_folder.h"

namespace quillmark::sources {
namespace {

// First line of every entry; a file without it is not ours or from another layout.
constexpr std::string_view kMagic = "quillmark reply cache 1\n";

// Two independent 64-bit hashes: file names that do not collide in practice; a collision that
// happens anyway is caught by the key stored in the entry.
std::string FileName(const std::string& key) {
  char name[40];
  std::snprintf(name, sizeof name, "%016llx%016llx",
                static_cast<unsigned long long>(pages::Fnv1a(key)),
                static_cast<unsigned long long>(pages::Fnv1a(key, 0x84222325cbf29ce4ULL)));
  return name;
}

std::string DefaultFolder() {
  return store::UserFolder("QUILLMARK_CACHE_DIR", "XDG_CACHE_HOME", ".cache");
}

// An entry's name (FileName), or a temporary file an interrupted store left behind.
bool IsEntryName(const std::string& name) {
  if (IsReplacementTempName(name)) return true;
  if (name.size() != 32) return false;
  for (char c : name)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// Calls `use` with each regular file of ours in the folder and its size.
template <typename Use>
void ForEachEntry(const std::string& folder, Use use) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? DefaultFolder() : folder, error), end;
       !error && it != end; it.increment(error)) {
    std::error_code status_error;
    if (!it->is_regular_file(status_error) || !IsEntryName(it->path().filename().string()))
      continue;
    const std::uintmax_t size = it->file_size(status_error);
    use(it->path(), status_error ? 0 : size);
  }
}

std::int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ReplyCache::ReplyCache(std::chrono::seconds lifetime, std::string folder)
    : lifetime_(lifetime), folder_(folder.empty() ? DefaultFolder() : std::move(folder)) {}

std::string ReplyCache::EntryPath(const std::string& key) const {
  return folder_ + "/" + FileName(key);
}

// An entry: the magic line, the time stored (Unix seconds), the key's length, the key, the reply.
std::optional<std::string> ReplyCache::Find(const CachedRequest& request) const {
  const std::string key = request.Text();
  std::optional<std::string> text;
  try {
    text = ReadWholeFile(EntryPath(key), kMaxReplyBytes + key.size() + 128);
  } catch (const StoreError&) {
    return std::nullopt;
  }
  if (!text || text->compare(0, kMagic.size(), kMagic) != 0) return std::nullopt;
  std::size_t at = kMagic.size();
  const auto read_number = [&text, &at]() -> std::optional<std::int64_t> {
    const std::size_t end = text->find('\n', at);
    if (end == std::string::npos || end == at || end - at > 18) return std::nullopt;
    std::int64_t value = 0;
    for (std::size_t i = at; i < end; ++i) {
      const char c = (*text)[i];
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    at = end + 1;
    return value;
  };
  const auto stored = read_number();
  const auto key_size = read_number();
  if (!stored || !key_size) return std::nullopt;
  const std::int64_t age = NowSeconds() - *stored;
  if (age < 0 || age > lifetime_.count()) return std::nullopt;
  if (static_cast<std::size_t>(*key_size) != key.size() || text->size() - at < key.size() ||
      text->compare(at, key.size(), key) != 0)
    return std::nullopt;
  // In place: a reply of tens of MB is not worth a second copy.
  text->erase(0, at + key.size());
  return text;
}

void ReplyCache::Store(const CachedRequest& request, const std::string& reply) const {
  const std::string key = request.Text();
  const std::string head =
      std::string(kMagic) + std::to_string(NowSeconds()) + '\n' + std::to_string(key.size()) + '\n';
  if (!store::MakeFolders(folder_)) return;
  try {
    ReplaceFileAtomically(EntryPath(key), {head, key, reply});
  } catch (const StoreError&) {
    // A full disk or a read-only cache only means the next research asks again.
  }
}

std::string CacheSideFile(const std::string& folder, const char* name) {
  return (folder.empty() ? DefaultFolder() : folder) + "/" + name;
}

void WriteCacheSideFile(const std::string& path, const std::string& text) {
  try {
    if (store::MakeFolders(path.substr(0, path.rfind('/')))) ReplaceFileAtomically(path, text);
  } catch (...) {
  }
}

std::uintmax_t ReplyCacheBytes(const std::string& folder) {
  std::uintmax_t total = 0;
  ForEachEntry(folder,
               [&total](const std::filesystem::path&, std::uintmax_t size) { total += size; });
  return total;
}

void ClearReplyCache(const std::string& folder) {
  // Listed first: a folder changed while it is read may list a file twice or not at all.
  std::vector<std::filesystem::path> entries;
  const auto now = std::filesystem::file_time_type::clock::now();
  ForEachEntry(folder, [&entries, now](const std::filesystem::path& entry, std::uintmax_t) {
    // A store under way renames its file into place once written; taking the file away first
    // would lose the reply of a call the run has paid for.
    std::error_code error;
    if (IsReplacementTempName(entry.filename().string()) &&
        now - std::filesystem::last_write_time(entry, error) < kStoreUnderWay && !error)
      return;
    entries.push_back(entry);
  });
  for (const std::filesystem::path& entry : entries) {
    std::error_code error;
    if (!std::filesystem::remove(entry, error) && error)
      throw StoreError::FromErrno("remove", entry.string(), error.value());
  }
}

}  // namespace quillmark::sources
