#include "jet/pages/journal.h"

#include <cstring>
#include <mutex>
#include <random>
#include <set>

namespace jet {
namespace {

constexpr uint8_t kMagic[8] = {'K', 'J', 'R', 'N', 'L', 0, 0, 2};

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

// A multiply-rotate hash over 64-bit words with a final mix: every byte and its position count, so a
// torn sector or a page in the wrong slot fails. Not cryptographic; it detects crashes, not attacks.
uint64_t Checksum(uint64_t seed, const uint8_t* data, size_t size) {
    uint64_t hash = seed ^ 0x9E3779B97F4A7C15ull ^ size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        hash = (hash ^ GetU64(data + i)) * 0xFF51AFD7ED558CCDull;
        hash = (hash << 29) | (hash >> 35);
    }
    for (; i < size; ++i) hash = ((hash ^ data[i]) * 0xC4CEB9FE1A85EC53ull) + 1;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    return hash ^ (hash >> 33);
}

uint64_t RecordChecksum(uint64_t headerChecksum, const uint8_t* record) {
    return Checksum(Checksum(headerChecksum, record, 16), record + 24, kPageSize);
}

uint64_t AppendedOffset(uint32_t recordCount) {
    return kJournalHeaderSize + uint64_t(recordCount) * kJournalRecordSize;
}

}  // namespace

uint64_t PageChecksum(const uint8_t* page) {
    return Checksum(0, page, kPageSize);
}

uint64_t NewJournalSalt() {
    static std::mutex mutex;
    static std::mt19937_64 random{(uint64_t(std::random_device{}()) << 32) ^ std::random_device{}()};
    std::lock_guard<std::mutex> lock(mutex);
    return random();
}

bool IsRollbackJournal(const uint8_t* bytes, size_t size) {
    return size >= sizeof kMagic && std::memcmp(bytes, kMagic, sizeof kMagic) == 0;
}

bool IsRetiredJournal(const uint8_t* header) {
    for (size_t i = 0; i < kJournalHeaderSize; ++i)
        if (header[i] != 0) return false;
    return true;
}

std::optional<uint64_t> AnnouncedJournalLength(const uint8_t* header) {
    if (std::memcmp(header, kMagic, 8) != 0 || Checksum(0, header, 32) != GetU64(header + 32)) return std::nullopt;
    if (GetU32(header + 8) != kPageSize) return std::nullopt;
    uint32_t original = GetU32(header + 12), updated = GetU32(header + 16);
    if (updated < original) return std::nullopt;
    return AppendedOffset(GetU32(header + 20)) + uint64_t(updated - original) * 8 + 8;
}

std::vector<uint8_t> EncodeJournal(uint32_t originalPageCount, const std::vector<JournalPage>& changed,
                                   const std::vector<const uint8_t*>& appended, uint64_t salt) {
    size_t appendedAt = size_t(AppendedOffset(uint32_t(changed.size())));
    std::vector<uint8_t> out(appendedAt + appended.size() * 8 + 8);
    std::memcpy(out.data(), kMagic, 8);
    PutU32(&out[8], uint32_t(kPageSize));
    PutU32(&out[12], originalPageCount);
    PutU32(&out[16], originalPageCount + uint32_t(appended.size()));
    PutU32(&out[20], uint32_t(changed.size()));
    PutU64(&out[24], salt);
    uint64_t headerChecksum = Checksum(0, out.data(), 32);
    PutU64(&out[32], headerChecksum);
    uint8_t* record = out.data() + kJournalHeaderSize;
    for (const JournalPage& page : changed) {
        PutU32(record, ToIndex(page.page));
        PutU64(record + 8, PageChecksum(page.after));
        std::memcpy(record + 24, page.before, kPageSize);
        PutU64(record + 16, RecordChecksum(headerChecksum, record));
        record += kJournalRecordSize;
    }
    for (size_t i = 0; i < appended.size(); ++i) PutU64(&out[appendedAt + 8 * i], PageChecksum(appended[i]));
    PutU64(&out[appendedAt + 8 * appended.size()], Checksum(headerChecksum, &out[appendedAt], 8 * appended.size()));
    return out;
}

std::optional<DecodedJournal> DecodeJournal(std::vector<uint8_t> bytes) {
    if (bytes.size() < kJournalHeaderSize || std::memcmp(bytes.data(), kMagic, 8) != 0) return std::nullopt;
    uint64_t headerChecksum = GetU64(&bytes[32]);
    if (Checksum(0, bytes.data(), 32) != headerChecksum) return std::nullopt;
    if (GetU32(&bytes[8]) != kPageSize) return std::nullopt;
    DecodedJournal journal;
    journal.originalPageCount = GetU32(&bytes[12]);
    journal.newPageCount = GetU32(&bytes[16]);
    uint32_t recordCount = GetU32(&bytes[20]);
    if (journal.newPageCount < journal.originalPageCount) return std::nullopt;
    uint64_t appendedCount = journal.newPageCount - journal.originalPageCount;
    uint64_t appendedAt = AppendedOffset(recordCount);
    if (uint64_t(bytes.size()) < appendedAt + appendedCount * 8 + 8) return std::nullopt;

    std::set<uint32_t> seen;
    for (uint32_t i = 0; i < recordCount; ++i) {
        const uint8_t* record = &bytes[kJournalHeaderSize + size_t(i) * kJournalRecordSize];
        uint32_t page = GetU32(record);
        if (page >= journal.originalPageCount || GetU32(record + 4) != 0 || !seen.insert(page).second) {
            return std::nullopt;
        }
        if (RecordChecksum(headerChecksum, record) != GetU64(record + 16)) return std::nullopt;
        journal.records.push_back({PageNo{page}, size_t(record + 24 - bytes.data()), GetU64(record + 8)});
    }
    const uint8_t* appended = &bytes[size_t(appendedAt)];
    if (Checksum(headerChecksum, appended, size_t(appendedCount * 8)) != GetU64(appended + appendedCount * 8)) {
        return std::nullopt;
    }
    for (uint64_t i = 0; i < appendedCount; ++i) journal.appendedChecksums.push_back(GetU64(appended + 8 * i));
    journal.bytes = std::move(bytes);
    return journal;
}

}  // namespace jet
