#pragma once
// Bytes written as hex pairs, blanks allowed between them ("7F 80 00"), as the format notes print them.

#include <cstdint>
#include <string>
#include <vector>

namespace jet::testing {

inline std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> bytes;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return bytes;
}

}  // namespace jet::testing
