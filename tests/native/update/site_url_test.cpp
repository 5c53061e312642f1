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

TEST(ChooseSiteUrl, TakesTheEnvironmentOnlyWhenSetAndAcceptedAndNeverEndsInSlash) {
    struct Case {
        const char* name;
        const char* environment;
        const char* builtIn;
        const char* expected;
    } cases[] = {
        {"unset", nullptr, "https://kestrin.example.com", "https://kestrin.example.com"},
        {"empty", "", "https://kestrin.example.com", "https://kestrin.example.com"},
        {"set", "http://127.0.0.1:8123", "https://kestrin.example.com", "http://127.0.0.1:8123"},
        {"set with slashes", "http://127.0.0.1:8123//", "https://kestrin.example.com", "http://127.0.0.1:8123"},
        {"built-in with slash", nullptr, "https://kestrin.example.com/", "https://kestrin.example.com"},
        {"plain http elsewhere is ignored", "http://mirror.example.com", "https://kestrin.example.com",
         "https://kestrin.example.com"},
        {"a query is ignored", "https://mirror.example.com/?", "https://kestrin.example.com",
         "https://kestrin.example.com"},
        {"https elsewhere", "https://mirror.example.com/", "https://kestrin.example.com", "https://mirror.example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseSiteUrl(c.environment, c.builtIn), c.expected);
    }
}
