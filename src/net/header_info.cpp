#include "net/header_info.h"

#include <string_view>

#include "net/base64.h"
#include "net/net_errors.h"
#include "net/net_uri.h"
#include "net/number_text.h"

namespace quillmark::net {

void TNetHeaderInfo::ResetToDefaults() {
  Accept = "text/html, */*";
  AcceptCharSet.clear();
  UserAgent = "Mozilla/3.0 (compatible; Quillmark)";
  Connection.clear();
  ContentVersion.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType.clear();
  Location.clear();
  Server.clear();
  WWWAuthenticate.clear();
  ProxyAuthenticate.clear();
  ContentLength = 0;
  HasContentLength = false;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  Date = Expires = LastModified = 0;
  ProxyServer.clear();
  ProxyUsername.clear();
  ProxyPassword.clear();
  ProxyPort = 0;
  ExtraHeaders.Clear();
}

void TNetHeaderInfo::ComposeRequestLines(TNetHeaderList& lines) const {
  lines.Clear();
  auto add = [&](const char* name, const std::string& value) {
    if (!value.empty()) lines.Add(std::string(name) + ": " + value);
  };
  add("Accept", Accept);
  add("Accept-Charset", AcceptCharSet);
  add("Accept-Encoding", AcceptEncoding);
  add("Accept-Language", AcceptLanguage);
  add("From", From);
  add("Referer", Referer);
  add("User-Agent", UserAgent);
  add("Connection", Connection);
  add("Content-Version", ContentVersion);
  add("Content-Encoding", ContentEncoding);
  add("Content-Language", ContentLanguage);
  add("Content-Type", ContentType);
  if (ContentLength != 0) lines.Add("Content-Length: " + std::to_string(ContentLength));
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    std::string range = "Range: bytes=" + std::to_string(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0) range += std::to_string(ContentRangeEnd);
    lines.Add(range);
  }
  if (!Username.empty()) {
    lines.Add("Authorization: Basic " + EncodeBase64(Username + ":" + Password));
  }
  if (!ProxyServer.empty() && !ProxyUsername.empty()) {
    lines.Add("Proxy-Authorization: Basic " + EncodeBase64(ProxyUsername + ":" + ProxyPassword));
  }
  for (const std::string& line : ExtraHeaders.Lines()) lines.Add(line);
}

void TNetHeaderInfo::AbsorbReplyLines(TNetHeaderList& lines) {
  ExtraHeaders.Clear();
  auto take = [&](const char* name) {
    std::string value = lines.ValueOf(name);
    lines.RemoveName(name);
    return value;
  };
  Location = take("Location");
  Server = take("Server");
  Connection = take("Connection");
  ContentVersion = take("Content-Version");
  WWWAuthenticate = take("WWWAuthenticate");
  ContentEncoding = take("Content-Encoding");
  ContentLanguage = take("Content-Language");
  ContentType = take("Content-Type");
  // A length that is absent or not a 32-bit number counts as none: the body then runs to the close.
  HasContentLength = ReadDecimal(take("Content-Length"), ContentLength);
  if (!HasContentLength) ContentLength = 0;
  std::string range = take("Content-Range");
  if (!range.empty()) {
    TNetURI::CutAt(range, " ", true);  // the unit, "bytes"
    ContentRangeStart = ToDecimal<std::int32_t>(TNetURI::CutAt(range, "-", true));
    ContentRangeEnd = ToDecimal<std::int32_t>(TNetURI::CutAt(range, "/", true));
  }
  Date = ReadHttpDate(take("Date"));
  LastModified = ReadHttpDate(take("Last-Modified"));
  Expires = ReadHttpDate(take("Expires"));
  ProxyAuthenticate = take("Proxy-Authenticate");
  for (const std::string& line : lines.Lines()) ExtraHeaders.Add(line);
}

}  // namespace quillmark::net
