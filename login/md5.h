#pragma once
// MD5 message digest (RFC 1321), our own implementation: the password hash must not depend on a
// system library.

#include <array>
#include <cstdint>
#include <string_view>

using Md5Digest = std::array<uint8_t, 16>;

// The digest of `message`'s bytes: state words A, B, C, D, each low byte first.
Md5Digest Md5(std::string_view message);
