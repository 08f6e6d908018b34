#include "sources/reply_cache.h"

#include <chrono>
#include <cstdio>

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

std::int64_t NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ReplyCache::ReplyCache(std::chrono::seconds lifetime, std::string folder)
    : lifetime_(lifetime),
      folder_(folder.empty() ? store::UserFolder("QUILLMARK_CACHE_DIR", "XDG_CACHE_HOME", ".cache")
                             : std::move(folder)) {}

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

}  // namespace quillmark::sources
