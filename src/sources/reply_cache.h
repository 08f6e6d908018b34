#pragma once
// Provider replies kept on disk for a lifetime the provider chooses, one file per request, so that
// repeating a research costs nothing. The key is the request (method, URL, body), never the
// credentials. Folder: $QUILLMARK_CACHE_DIR, else $XDG_CACHE_HOME/quillmark, else
// ~/.cache/quillmark.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmark::sources {

struct CachedRequest {
  std::string method;
  std::string url;
  std::string body;

  // The three in one text: two requests are the same when their texts are.
  std::string Text() const { return method + '\n' + url + '\n' + body; }
};

class ReplyCache {
 public:
  // Entries older than `lifetime` count as missing. `folder` "" is the default one above.
  explicit ReplyCache(std::chrono::seconds lifetime, std::string folder = {});

  // The reply stored for the request, if it is there, whole and young enough; anything else
  // (missing, expired, corrupt, unreadable) is a miss.
  std::optional<std::string> Find(const CachedRequest& request) const;
  // Stores a reply, replacing the file atomically. A cache that cannot be written is skipped:
  // it costs a later call, never this one.
  void Store(const CachedRequest& request, const std::string& reply) const;

  const std::string& Folder() const { return folder_; }

 private:
  std::string EntryPath(const std::string& key) const;

  std::chrono::seconds lifetime_;
  std::string folder_;
};

// A small file of ours kept beside the cache's entries (the prices, the queued tasks): its path in
// `folder` ("" for the default one), and writing it whole, making the folder first. A file that
// cannot be written is skipped: it costs a better answer later, nothing more.
std::string CacheSideFile(const std::string& folder, const char* name);
void WriteCacheSideFile(const std::string& path, const std::string& text);

// The bytes the cache's entries take in `folder` ("" for the default one), and removing them all
// ("Clear cache"). Files in the folder that are no entries of ours are left alone. Clearing
// throws StoreError naming an entry it could not remove; a missing folder is an empty cache.
std::uintmax_t ReplyCacheBytes(const std::string& folder = {});
void ClearReplyCache(const std::string& folder = {});

}  // namespace quillmark::sources
