#include "source/http/CookieJar.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace tv {
namespace {

using namespace std::chrono;

TEST(CookieJar, MatchingRules) {
    const auto now = CookieJar::Clock::from_time_t(1'800'000'000); // 2027
    const struct {
        const char* Name;
        const char* SetCookie;
        const char* FromHost;
        const char* FromPath;
        const char* ToHost;
        const char* ToPath;
        bool Secure;
        const char* Expected;
    } cases[] = {
        {"host only", "a=1", "files.example.com", "/x", "files.example.com", "/y", true, "a=1"},
        {"host only not to subdomain", "a=1", "example.com", "/", "www.example.com", "/", true, ""},
        {"domain to subdomain", "a=1; Domain=example.com", "login.example.com", "/", "files.example.com", "/",
         true, "a=1"},
        {"leading dot ignored", "a=1; Domain=.example.com", "example.com", "/", "example.com", "/", true,
         "a=1"},
        {"foreign domain refused", "a=1; Domain=other.com", "example.com", "/", "other.com", "/", true, ""},
        {"not a suffix match", "a=1; Domain=ample.com", "example.com", "/", "example.com", "/", true, ""},
        {"default path is the folder", "a=1", "h", "/users/norvano/login", "h", "/users/norvano/x", true,
         "a=1"},
        {"default path excludes siblings", "a=1", "h", "/users/norvano/login", "h", "/users/other", true, ""},
        {"path prefix needs a boundary", "a=1; Path=/users", "h", "/", "h", "/usersx", true, ""},
        {"path prefix at a boundary", "a=1; Path=/users", "h", "/", "h", "/users/norvano", true, "a=1"},
        {"secure only over TLS", "a=1; Secure", "h", "/", "h", "/", false, ""},
        {"expired", "a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT", "h", "/", "h", "/", true, ""},
        {"expires later", "a=1; Expires=Wed, 09 Jun 2038 10:18:14 GMT", "h", "/", "h", "/", true, "a=1"},
        {"max-age wins over expires", "a=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Max-Age=60", "h", "/", "h",
         "/", true, "a=1"},
        {"max-age zero", "a=1; Max-Age=0", "h", "/", "h", "/", true, ""},
        {"no name-value pair", "justtext", "h", "/", "h", "/", true, ""},
        {"IP hosts match exactly", "a=1; Domain=0.0.1", "127.0.0.1", "/", "127.0.0.1", "/", true, ""},
        {"case of host ignored", "a=1", "Files.Example.com", "/", "files.example.COM", "/", true, "a=1"},
        {"value keeps its equals signs", "t=a=b==; Path=/", "h", "/", "h", "/", true, "t=a=b=="},
    };
    for (const auto& c : cases) {
        CookieJar jar;
        jar.Store(c.SetCookie, c.FromHost, c.FromPath, now);
        EXPECT_EQ(jar.CookieHeader(c.ToHost, c.ToPath, c.Secure, now), c.Expected) << c.Name;
    }
}

TEST(CookieJar, ReplacementOrderAndExpiry) {
    const auto now = CookieJar::Clock::from_time_t(1'800'000'000);
    CookieJar jar;
    jar.Store("a=1", "h", "/", now);
    jar.Store("b=2; Path=/users", "h", "/", now);
    jar.Store("c=3; Max-Age=10", "h", "/", now);
    jar.Store("a=9", "h", "/", now + seconds(1)); // replaces, keeps its place
    EXPECT_EQ(jar.CookieHeader("h", "/users/x", true, now + seconds(2)),
              "b=2; a=9; c=3"); // longer path first
    EXPECT_EQ(jar.CookieHeader("h", "/users/x", true, now + seconds(11)), "b=2; a=9");
    jar.Store("b=gone; Path=/users; Max-Age=-1", "h", "/", now);
    EXPECT_EQ(jar.CookieHeader("h", "/users/x", true, now), "a=9; c=3");
}

TEST(CookieJar, AHostileServerCannotFillTheJar) {
    CookieJar jar;
    jar.Store("big=" + std::string(MaxCookieSize, 'v'), "h", "/");
    EXPECT_EQ(jar.CookieHeader("h", "/", true), ""); // larger than a cookie may be: dropped
    for (size_t i = 0; i < 10 * MaxCookies; ++i)
        jar.Store("c" + std::to_string(i) + "=1", "h", "/");
    const std::string header = jar.CookieHeader("h", "/", true);
    EXPECT_EQ(std::count(header.begin(), header.end(), '='), static_cast<long>(MaxCookies));
    EXPECT_EQ(header.find("c0=1"), std::string::npos); // the oldest made room
    EXPECT_NE(header.find("c499=1"), std::string::npos);
}

} // namespace
} // namespace tv
