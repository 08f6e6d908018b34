#pragma once
// TNetHeaderInfo: one set of HTTP header fields, composed into request lines or taken from the
// lines of a reply.

#include <cstdint>
#include <string>

#include "net/header_list.h"
#include "net/http_date.h"

namespace quillmark::net {

class TNetHeaderInfo {
 public:
  TNetHeaderInfo() { ResetToDefaults(); }

  std::string Accept;
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string From;
  std::string Referer;
  std::string Username;
  std::string Password;
  std::string UserAgent;
  std::string Connection;
  std::string ContentVersion;
  std::string ContentEncoding;
  std::string ContentLanguage;
  std::string ContentType;
  std::string Location;
  std::string Server;
  std::string WWWAuthenticate;
  std::string ProxyAuthenticate;
  std::int32_t ContentLength = 0;
  // The reply carried a readable Content-Length line (which may say 0).
  bool HasContentLength = false;
  std::int32_t ContentRangeStart = 0;
  std::int32_t ContentRangeEnd = 0;
  TNetDateTime Date = 0;
  TNetDateTime Expires = 0;
  TNetDateTime LastModified = 0;
  std::string ProxyServer;
  std::string ProxyUsername;
  std::string ProxyPassword;
  std::int32_t ProxyPort = 0;
  TNetHeaderList ExtraHeaders;

  // Leaves AcceptEncoding, AcceptLanguage, From, Referer, Username and Password as they are.
  void ResetToDefaults();
  // Empties `lines` and fills it with the request header lines of the set fields.
  void ComposeRequestLines(TNetHeaderList& lines) const;
  // Takes the known fields out of `lines` (removing them) and keeps the rest as ExtraHeaders.
  void AbsorbReplyLines(TNetHeaderList& lines);
};

}  // namespace quillmark::net
