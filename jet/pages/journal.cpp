#include "jet/pages/journal.h"

#include <cstring>

namespace jet {
namespace {

constexpr uint8_t kMagic[8] = {'K', 'J', 'R', 'N', 'L', 0, 0, 1};

void PutU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}
void PutU64(uint8_t* at, uint64_t value) {
    for (int i = 0; i < 8; ++i) at[i] = uint8_t(value >> (8 * i));
}
uint32_t GetU32(const uint8_t* at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t(at[i]) << (8 * i);
    return value;
}
uint64_t GetU64(const uint8_t* at) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= uint64_t(at[i]) << (8 * i);
    return value;
}

// Fletcher-style sums over 32-bit words, seeded: every byte and its position count, so a torn
// sector or a record moved to another slot fails. Not cryptographic; it only detects crashes.
uint64_t Checksum(uint64_t seed, const uint8_t* data, size_t size) {
    uint32_t a = uint32_t(seed) ^ 0x9E3779B9u;
    uint32_t b = uint32_t(seed >> 32) ^ 0x7F4A7C15u;
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        a += GetU32(data + i) + b;
        b += a * 0x01000193u + 1;
    }
    for (; i < size; ++i) {
        a += data[i] + b;
        b += a * 0x01000193u + 1;
    }
    return (uint64_t(b) << 32) | a;
}

uint64_t RecordChecksum(uint64_t headerChecksum, uint32_t page, const uint8_t* bytes) {
    uint8_t pageBytes[4];
    PutU32(pageBytes, page);
    return Checksum(Checksum(headerChecksum, pageBytes, 4), bytes, kPageSize);
}

}  // namespace

std::vector<uint8_t> EncodeJournal(uint32_t originalPageCount, const std::vector<JournalPage>& pages) {
    std::vector<uint8_t> out(kJournalHeaderSize + pages.size() * kJournalRecordSize);
    std::memcpy(out.data(), kMagic, 8);
    PutU32(&out[8], uint32_t(kPageSize));
    PutU32(&out[12], originalPageCount);
    PutU32(&out[16], uint32_t(pages.size()));
    uint64_t headerChecksum = Checksum(0, out.data(), 24);
    PutU64(&out[24], headerChecksum);
    uint8_t* at = out.data() + kJournalHeaderSize;
    for (const JournalPage& page : pages) {
        PutU32(at, ToIndex(page.page));
        PutU64(at + 8, RecordChecksum(headerChecksum, ToIndex(page.page), page.bytes));
        std::memcpy(at + 16, page.bytes, kPageSize);
        at += kJournalRecordSize;
    }
    return out;
}

std::optional<DecodedJournal> DecodeJournal(std::vector<uint8_t> bytes) {
    if (bytes.size() < kJournalHeaderSize || std::memcmp(bytes.data(), kMagic, 8) != 0) return std::nullopt;
    uint64_t headerChecksum = GetU64(&bytes[24]);
    if (Checksum(0, bytes.data(), 24) != headerChecksum) return std::nullopt;
    if (GetU32(&bytes[8]) != kPageSize || GetU32(&bytes[20]) != 0) return std::nullopt;
    uint32_t recordCount = GetU32(&bytes[16]);
    if (recordCount > (bytes.size() - kJournalHeaderSize) / kJournalRecordSize) return std::nullopt;

    DecodedJournal journal;
    journal.originalPageCount = GetU32(&bytes[12]);
    for (uint32_t i = 0; i < recordCount; ++i) {
        size_t at = kJournalHeaderSize + size_t(i) * kJournalRecordSize;
        uint32_t page = GetU32(&bytes[at]);
        if (page >= journal.originalPageCount || GetU32(&bytes[at + 4]) != 0) return std::nullopt;
        if (RecordChecksum(headerChecksum, page, &bytes[at + 16]) != GetU64(&bytes[at + 8])) return std::nullopt;
        journal.records.emplace_back(PageNo{page}, at + 16);
    }
    journal.bytes = std::move(bytes);
    return journal;
}

}  // namespace jet
