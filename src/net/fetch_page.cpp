#include "net/fetch_page.h"

#include <exception>

#include "net/deadline.h"
#include "net/http_client.h"
#include "net/net_buffer.h"
#include "net/net_errors.h"
#include "net/net_uri.h"

namespace quillmark::net {

namespace {

constexpr std::size_t kMaxReasonBody = 300;

// Socket error messages carry a CR LF between the number and its text; a reason is one line.
std::string OneLine(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  for (const char c : message) {
    if (c == '\r') continue;
    out.push_back(c == '\n' ? ' ' : c);
  }
  return out;
}

FetchResult Fetch(const std::string& url, const FetchOptions& options, TNetBuffer& sink) {
  FetchResult result;
  const auto fail = [&result](FetchStatus status, std::string reason) {
    result.status = status;
    result.reason = std::move(reason);
  };
  TNetHTTP client;
  TNetDeadline deadline = TNetDeadline::After(options.timeout);
  deadline.SetCancellation(options.cancelled);
  client.SetDeadline(deadline);
  try {
    client.GetDocument(url, sink);
  } catch (const ENetProtocolReplyError&) {
    // An error or redirect reply is a page too: its body has been read whole. A server error
    // is the server saying it could not make the page, so what it sent is not a page of data.
    if (client.ReplyCode() >= 500 && client.ReplyCode() <= 599)
      fail(FetchStatus::kFailed, "server error " + OneLine(client.ReplyText()));
  } catch (const ENetCancelled& e) {
    fail(FetchStatus::kCancelled, e.what());
  } catch (const ENetConnClosedGracefully&) {
    fail(FetchStatus::kFailed,
         client.ReplyText().empty() ? "connection closed without a reply" : "reply cut short");
  } catch (const ENetInterceptPropInvalid&) {
    fail(FetchStatus::kFailed, "https is not supported");
  } catch (const EConvertError&) {
    fail(FetchStatus::kFailed, "not an HTTP reply");
  } catch (const std::exception& e) {
    fail(FetchStatus::kFailed, OneLine(e.what()));
  } catch (...) {
    fail(FetchStatus::kFailed, "unknown failure");
  }
  // The client closes its socket when it goes; the connection never outlives the fetch.
  return result;
}

}  // namespace

FetchResult FetchPage(const std::string& url, const FetchOptions& options) {
  TNetBuffer sink;
  FetchResult result = Fetch(url, options, sink);
  result.body = sink.TakeString();
  // A short plain-text error body (a bridge's or a proxy's) says why; a page of markup does not.
  if (result.reason.starts_with("server error ") && !result.body.empty() &&
      result.body.size() <= kMaxReasonBody && result.body.find_first_of("<>") == std::string::npos)
    result.reason += ": " + OneLine(result.body);
  return result;
}

FetchResult FetchPageTo(const std::string& url, const FetchOptions& options, const BodySink& sink) {
  TNetBuffer buffer;
  buffer.SetDrain([&sink](std::string_view bytes) {
    if (!sink(bytes)) throw ENetSinkFailed();
  });
  return Fetch(url, options, buffer);
}

std::string UnsafeUrlReason(const std::string& url) {
  return UnsafeUrlReason(TNetURI::SplitUrl(url));
}

}  // namespace quillmark::net
