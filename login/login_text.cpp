#include "login/login_text.h"

#include <cstdio>

#include "common/text.h"

std::string FormatTimeText(const LocalTime& time) {
    char text[96];  // room for six ints of any value: no truncation warning
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

std::string StatusCode(std::string_view stat) {
    return "4" + std::string(stat);
}

std::string LoginCommandLine(std::string_view qqPath, std::string_view number, std::string_view hash,
                             std::string_view stat) {
    std::string line(qqPath);
    line += " /START QQUIN:";
    line += number;
    line += " PWDHASH:";
    line += hash;
    line += "==";
    line += " /STAT:";
    line += StatusCode(stat);
    return line;
}

namespace {

bool IsBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

bool SoundLoginFields(std::string_view number, std::string_view hash, std::string_view stat) {
    constexpr size_t kHashCharacters = 22;
    bool hashSound = hash.size() == kHashCharacters;
    for (char c : hash) hashSound = hashSound && IsBase64Character(c);
    return AllDigits(number) && hashSound && (stat == "0" || stat == "1");
}
