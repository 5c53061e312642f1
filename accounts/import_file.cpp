#include "accounts/import_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/text.h"
#include "login/pwd_hash.h"

namespace {

// The UTF-16 code units of whole byte pairs; an odd last byte is left out.
std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto first = static_cast<unsigned char>(bytes[i]);
        auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

Result<size_t> ImportBytes::Read(char* into, size_t size) {
    size_t count = std::min({size, piece_, bytes_.size() - next_});
    std::memcpy(into, bytes_.data() + next_, count);
    next_ += count;
    return count;
}

Status ImportBytes::Rewind() {
    next_ = 0;
    return Status::Ok();
}

Result<size_t> ImportReader::ReadPiece() {
    auto count = source_.Read(piece_.data(), piece_.size());
    if (count.ok() && *count > piece_.size()) return Status(ErrorCode::Io, "the list file gave more than was asked");
    return count;
}

Status ImportReader::Open() {
    std::string head;
    while (head.size() < 3) {
        auto count = ReadPiece();
        if (!count.ok()) return count.status();
        if (*count == 0) break;
        head.append(piece_.data(), *count);
    }
    struct Mark {
        std::string_view bytes;
        Encoding encoding;
    };
    for (Mark mark : {Mark{"\xEF\xBB\xBF", Encoding::Utf8Marked}, Mark{"\xFF\xFE", Encoding::Utf16Le},
                      Mark{"\xFE\xFF", Encoding::Utf16Be}}) {
        if (!StartsWith(head, mark.bytes)) continue;
        encoding_ = mark.encoding;
        carry_ = head.substr(mark.bytes.size());
        return Status::Ok();
    }
    auto utf8 = IsUtf8Throughout(std::move(head));
    if (!utf8.ok()) return utf8.status();
    encoding_ = *utf8 ? Encoding::Utf8 : Encoding::Ansi;
    return source_.Rewind();
}

// Reads the rest of the file after `pending`, stopping at the first byte that is not UTF-8.
Result<bool> ImportReader::IsUtf8Throughout(std::string pending) {
    for (;;) {
        size_t whole = Utf8DecodableLength(pending);
        if (!IsValidUtf8(std::string_view(pending).substr(0, whole))) return false;
        pending.erase(0, whole);
        auto count = ReadPiece();
        if (!count.ok()) return count.status();
        if (*count == 0) return IsValidUtf8(pending);
        pending.append(piece_.data(), *count);
    }
}

// Decodes `raw` into text_, keeping in carry_ what the next piece may complete (unless `last`).
void ImportReader::Decode(std::string raw, bool last) {
    switch (encoding_) {
        case Encoding::Utf8:
        case Encoding::Ansi:
            text_ = std::move(raw);
            return;
        case Encoding::Utf8Marked: {
            size_t whole = last ? raw.size() : Utf8DecodableLength(raw);
            text_ = Utf16ToUtf8(Utf8ToUtf16(std::string_view(raw).substr(0, whole)));
            carry_ = raw.substr(whole);
            return;
        }
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            std::u16string units = Utf16Units(raw, encoding_ == Encoding::Utf16Be);
            // A high surrogate waits for its low one; a dangling odd byte at the end cannot be a character.
            size_t whole = units.size() * 2;
            if (!last && !units.empty() && IsHighSurrogate(units.back())) {
                units.pop_back();
                whole -= 2;
            }
            if (last && raw.size() % 2 != 0) units.push_back(u'\uFFFD');
            text_ = Utf16ToUtf8(units);
            carry_ = last ? std::string() : raw.substr(whole);
            return;
        }
    }
}

// The next piece into text_; false when the file has nothing more.
Result<bool> ImportReader::Refill() {
    if (ended_) return false;
    auto count = ReadPiece();
    if (!count.ok()) return count.status();
    ended_ = *count == 0;
    std::string raw = std::move(carry_);
    carry_.clear();
    raw.append(piece_.data(), *count);
    Decode(std::move(raw), ended_);
    next_ = 0;
    return true;
}

// Adds a part of the line to line_, up to the line's second blank and within the bound.
void ImportReader::Keep(std::string_view part) {
    while (blanks_ < 2 && !overlong_ && !part.empty()) {
        size_t blank = part.find(' ');
        size_t take = blank == std::string_view::npos ? part.size() : blank + 1;
        line_.append(part.substr(0, take));
        part.remove_prefix(take);
        if (blank != std::string_view::npos) ++blanks_;
        if (line_.size() > kMaxImportFieldBytes) {
            overlong_ = true;
            line_ = std::string();
        }
    }
}

Result<bool> ImportReader::NextLine(std::string& line) {
    line_.clear();
    blanks_ = 0;
    overlong_ = false;
    bool started = false;
    for (;;) {
        if (next_ == text_.size()) {
            auto more = Refill();
            if (!more.ok()) return more.status();
            if (*more) continue;
            if (!started) return false;
            break;
        }
        if (std::exchange(afterCr_, false) && text_[next_] == '\n') {
            ++next_;
            continue;
        }
        size_t end = text_.find_first_of("\r\n", next_);
        size_t stop = end == std::string::npos ? text_.size() : end;
        Keep(std::string_view(text_).substr(next_, stop - next_));
        started = true;
        if (end == std::string::npos) {
            next_ = stop;
            continue;
        }
        afterCr_ = text_[end] == '\r';
        next_ = end + 1;
        break;
    }
    line.swap(line_);
    return true;
}

std::optional<ImportLine> ParseImportLine(std::string_view line) {
    size_t firstBlank = line.find(' ');
    if (firstBlank == std::string_view::npos) return std::nullopt;
    std::string_view rest = line.substr(firstBlank + 1);
    return ImportLine{std::string(line.substr(0, firstBlank)), std::string(rest.substr(0, rest.find(' ')))};
}

std::string ImportPasswordHash(bool ansiFile, const std::string& password) {
    return ansiFile ? PwdHashOfBytes(password) : PwdHash(password);
}
