// Google Trends "Trending now": an RSS 2.0 feed per country whose item titles, in document
// order, are today's top searches. No account needed.

#include "sources/trends_source.h"

#include <pugixml.hpp>

#include "base/ascii.h"
#include "pages/page_request.h"
#include "pages/page_writer.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

TrendsSource::TrendsSource(const ProviderOptions& options, std::string base_url)
    : country_(options.country),
      base_url_(std::move(base_url)),
      caller_(options, {}, kTrendsCacheLifetime) {
  ascii::UpperInPlace(country_);
}

FetchResult TrendsSource::Fetch(const std::string& url, ProviderRun& run,
                                const Cancellation& cancelled) {
  if (pages::ReadPageUrl(url).kind != pages::PageKind::kTopSearches) {
    return {.body = {},
            .status = FetchStatus::kFailed,
            .reason = "trends serves the top searches only"};
  }
  std::vector<std::string> phrases;
  const HttpsRequest request{.method = "GET",
                             .url = base_url_ + "/trending/rss?geo=" + country_,
                             .body = {},
                             .headers = {},
                             .login = {},
                             .password = {},
                             .max_reply_bytes = kMaxFeedBytes};
  FetchResult result =
      caller_.Call(request, run, cancelled, [&phrases](long http_status, const std::string& body) {
        phrases.clear();
        if (http_status != 200)
          return ReplyVerdict{ReplyVerdict::kBad, "HTTP " + std::to_string(http_status)};
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed = doc.load_buffer(body.data(), body.size());
        if (!parsed)
          return ReplyVerdict{ReplyVerdict::kBad,
                              std::string("malformed XML reply: ") + parsed.description()};
        const pugi::xml_node channel = doc.child("rss").child("channel");
        if (!channel) return ReplyVerdict{ReplyVerdict::kBad, "feed without rss/channel"};
        for (const pugi::xml_node item : channel.children("item")) {
          std::string title = item.child_value("title");
          if (!title.empty()) phrases.push_back(std::move(title));
        }
        return ReplyVerdict{ReplyVerdict::kGood, {}};
      });
  if (!result.Complete()) return result;
  pages::ProviderPage page = pages::TopSearchesPage(phrases);
  if (page.left_out > 0) run.NotePhrasesLeftOut(page.left_out);
  result.body = std::move(page.text);
  return result;
}

}  // namespace quillmark::sources
