// The textual URL split and the endpoint choice made from it.

#include <gtest/gtest.h>

#include "net/http_client.h"
#include "net/net_errors.h"
#include "net/net_uri.h"

namespace quillmark::net {
namespace {

struct SplitCase {
  const char* url;
  const char* scheme;
  const char* host;
  const char* port;
  const char* path;
  const char* document;
  const char* bookmark;
};

TEST(SplitUrl, Examples) {
  const SplitCase cases[] = {
      {"http://Example.COM/d/search/?term=a+b&mkt=us", "http", "Example.COM", "", "/d/search/",
       "?term=a+b&mkt=us", ""},
      {"http://host/search?p=%22x%22&b=1", "http", "host", "", "/", "search?p=%22x%22&b=1", ""},
      // A "/" inside the query moves part of it into the path; the target stays the same.
      {"http://host/a/b?q=c/d", "http", "host", "", "/a/b?q=c/", "d", ""},
      {"http://host", "http", "host", "", "/", "", ""},
      {"http://host:8080/x", "http", "host", "8080", "/", "x", ""},
      {"http://host:abc/x", "http", "host", "abc", "/", "x", ""},
      {"http://host?q=1", "http", "host?q=1", "", "/", "", ""},
      {"http://host\\dir\\page.html", "http", "host", "", "/dir/", "page.html", ""},
      {"http://host/p?q=1#frag#more", "http", "host", "", "/", "p?q=1", "frag#more"},
      {"http://host/p?q=a#b&c=d", "http", "host", "", "/", "p?q=a", "b&c=d"},
      {"/relative/page", "", "", "", "/relative/", "page", ""},
      {"page", "", "", "", "/", "page", ""},
      {"", "", "", "", "/", "", ""},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.url);
    const TNetUrlParts p = TNetURI::SplitUrl(c.url);
    EXPECT_EQ(p.Scheme, c.scheme);
    EXPECT_EQ(p.Host, c.host);
    EXPECT_EQ(p.Port, c.port);
    EXPECT_EQ(p.Path, c.path);
    EXPECT_EQ(p.Document, c.document);
    EXPECT_EQ(p.Bookmark, c.bookmark);
  }
}

TEST(SplitUrl, TextOperations) {
  std::string text = "a:b:c";
  EXPECT_EQ(TNetURI::CutAt(text, ":", false), "a");
  EXPECT_EQ(text, "a:b:c");
  EXPECT_EQ(TNetURI::CutAt(text, ":", true), "a");
  EXPECT_EQ(text, "b:c");
  EXPECT_EQ(TNetURI::CutAt(text, "#", true), "b:c");
  EXPECT_EQ(text, "");

  EXPECT_EQ(TNetURI::LastPos("/", "/a/b"), 3u);
  EXPECT_EQ(TNetURI::LastPos("AB", "xabyab"), 5u);
  EXPECT_EQ(TNetURI::LastPos("/", "none"), 0u);
  EXPECT_EQ(TNetURI::LastPos("long", "ab"), 0u);
}

TEST(ChooseEndpoint, SetsHostAndPort) {
  TNetHTTP http;
  http.ChooseEndpoint("http", "Host.Example", -1);
  EXPECT_EQ(http.Host(), "Host.Example");
  EXPECT_EQ(http.RequestHost(), "Host.Example");
  EXPECT_EQ(http.Port(), 80);

  http.ChooseEndpoint("", "other", 8080);
  EXPECT_EQ(http.Port(), 8080);

  // No host: the Host line repeats the current host.
  http.ChooseEndpoint("", "", -1);
  EXPECT_EQ(http.RequestHost(), "other");
  EXPECT_EQ(http.Port(), 80);
}

TEST(ChooseEndpoint, RefusesHttpsInAnyCase) {
  TNetHTTP http;
  EXPECT_THROW(http.ChooseEndpoint("HtTpS", "host", -1), ENetInterceptPropInvalid);
  EXPECT_FALSE(http.Socket().HasSocket());
}

}  // namespace
}  // namespace quillmark::net
