#include "update/site_url.h"

#include <charconv>

namespace {

bool IsPlain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool IsPathText(std::string_view path) {
    for (char c : path) {
        if (!IsPlain(c) && c != '/' && c != '%') return false;
    }
    return true;
}

bool IsHostName(std::string_view host) {
    if (host.empty()) return false;
    for (char c : host) {
        if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return true;
}

// Four decimal parts of 0 to 255, the first 127.
bool IsLoopbackIpv4(std::string_view host) {
    int parts = 0;
    while (parts < 4) {
        size_t dot = host.find('.');
        std::string_view part = host.substr(0, dot);
        unsigned value = 256;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || part.size() > 3 || error != std::errc() || end != part.data() + part.size() || value > 255)
            return false;
        if (parts == 0 && value != 127) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        host.remove_prefix(dot + 1);
    }
    return parts == 4 && host.find('.') == std::string_view::npos;
}

bool IsLoopback(std::string_view host) {
    return host == "localhost" || host == "[::1]" || IsLoopbackIpv4(host);
}

// "host[:port]" into the host, or nullopt-like empty when the port is not 1 to 65535.
std::string_view HostOf(std::string_view authority) {
    size_t colon = authority.rfind(':');
    if (colon == std::string_view::npos || authority.back() == ']') return authority;
    std::string_view port = authority.substr(colon + 1);
    unsigned value = 0;
    auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
        return {};
    return authority.substr(0, colon);
}

}  // namespace

bool IsAcceptedSiteOverride(std::string_view url) {
    bool secure = url.starts_with("https://");
    if (!secure && !url.starts_with("http://")) return false;
    url.remove_prefix(secure ? 8 : 7);
    size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    std::string_view host = HostOf(authority);
    if (!IsPathText(path) || host.empty()) return false;
    if (!IsLoopback(host) && !IsHostName(host)) return false;
    return secure || IsLoopback(host);
}

namespace {

std::string WithoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace

std::string ChooseSiteUrl(const char* environmentValue, std::string_view builtIn) {
    std::string fromEnvironment = WithoutTrailingSlashes(environmentValue ? environmentValue : "");
    if (IsAcceptedSiteOverride(fromEnvironment)) return fromEnvironment;
    return WithoutTrailingSlashes(std::string(builtIn));
}
