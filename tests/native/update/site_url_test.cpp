#include "update/site_url.h"

#include <gtest/gtest.h>

TEST(SiteOverride, HttpsAnywhereHttpOnlyOnThisMachineNothingThatShapesPaths) {
    struct Case {
        const char* url;
        bool accepted;
    } cases[] = {
        {"https://kestrin.example.com", true},
        {"https://mirror.example.org:8443/kestrin", true},
        {"http://127.0.0.1:8123", true},
        {"http://127.255.0.9", true},
        {"http://localhost:80", true},
        {"http://[::1]:8080", true},
        {"https://[::1]", true},
        {"http://kestrin.example.com", false},
        {"http://10.0.0.1", false},
        {"http://128.0.0.1", false},
        {"http://127.0.0.1.evil.example", false},
        {"http://127.0.0.256", false},
        {"http://127.1", false},
        {"http://localhost.evil.example", false},
        {"http://127.0.0.1@evil.example", false},
        {"http://evil.example#@127.0.0.1", false},
        {"https://kestrin.example.com/x?", false},
        {"https://kestrin.example.com/a\\..\\b", false},
        {"https://kestrin.example.com/a b", false},
        {"https://kestrin.example.com:0", false},
        {"https://kestrin.example.com:99999", false},
        {"https://", false},
        {"https://:443", false},
        {"HTTPS://kestrin.example.com", false},
        {"ftp://127.0.0.1", false},
        {"file:///c:/site", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(IsAcceptedSiteOverride(c.url), c.accepted);
    }
}
