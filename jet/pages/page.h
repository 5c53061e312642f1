#pragma once
// Page numbers and sizes shared by every layer of the engine.

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr size_t kPageSize = 4096;

// A page's number: the page lives at file offset number * kPageSize. Page 0 is the database header,
// so 0 never names a page that a link points to and serves as "no page" in the format's link fields.
enum class PageNo : uint32_t {};
inline constexpr PageNo kNoPage{0};

inline constexpr uint32_t ToIndex(PageNo page) { return static_cast<uint32_t>(page); }
inline constexpr uint64_t ByteOffset(PageNo page) { return uint64_t(ToIndex(page)) * kPageSize; }

}  // namespace jet
