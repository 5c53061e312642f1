#pragma once
// The account list file of the import: its decoding, its lines and the fields of a line, read a
// piece at a time, so a file of any size needs no more memory than a piece and one line.
// Format: one account per line, "number password", the number ASCII digits; a line ends at CR, LF or
// CR LF; fields are split at every single blank, so two blanks give an empty field and fields after
// the second are ignored.
// Encodings: a byte-order mark says UTF-8, UTF-16LE or UTF-16BE; without one, a file that is valid
// UTF-8 throughout is read as UTF-8, anything else as the system's ANSI code page (so a file without
// a mark is read twice: once to tell which, once for its lines).
// Invariants:
//   1. Decoding never fails: undecodable bytes become U+FFFD (UTF-8/16) or stay bytes (ANSI).
//   2. The password's hash input is its ANSI code-page bytes whatever the file's encoding: an ANSI
//      file's password bytes are hashed as they stand, never round-tripped through Unicode.
//   3. Where the pieces of a file end changes nothing: a mark, a CR LF, a UTF-16 code unit or a
//      UTF-8 sequence split between two pieces reads as it would whole.
//   4. A line is kept only up to its second blank (what follows is never used), and a line whose
//      first two fields exceed kMaxImportFieldBytes reads as an empty line: it holds no account.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

constexpr size_t kImportPieceBytes = 64 * 1024;
constexpr size_t kMaxImportFieldBytes = 1024 * 1024;

// The bytes of a list file, front to back.
class ImportSource {
  public:
    virtual ~ImportSource() = default;
    // Copies up to `size` of the next bytes into `into` and says how many; 0 only at the end.
    virtual Result<size_t> Read(char* into, size_t size) = 0;
    // Starts again at the first byte.
    virtual Status Rewind() = 0;
};

// A file held in memory, handed out at most `piece` bytes at a time (tests, the fuzz target).
class ImportBytes : public ImportSource {
  public:
    explicit ImportBytes(std::string_view bytes, size_t piece = kImportPieceBytes) : bytes_(bytes), piece_(piece) {}
    Result<size_t> Read(char* into, size_t size) override;
    Status Rewind() override;

  private:
    std::string_view bytes_;  // borrowed
    size_t piece_;
    size_t next_ = 0;
};

// The lines of a list file, decoded to UTF-8 (or left in the ANSI code page's bytes).
class ImportReader {
  public:
    explicit ImportReader(ImportSource& source) : source_(source), piece_(kImportPieceBytes) {}
    // Tells the encoding; a failure to read is returned.
    Status Open();
    bool Ansi() const { return encoding_ == Encoding::Ansi; }
    // The next line, without its end, into `line`: false after the last. A last line without an end
    // counts, an empty file has no line.
    Result<bool> NextLine(std::string& line);

  private:
    enum class Encoding { Utf8, Ansi, Utf8Marked, Utf16Le, Utf16Be };

    Result<bool> IsUtf8Throughout(std::string pending);
    Result<size_t> ReadPiece();
    Result<bool> Refill();
    void Decode(std::string raw, bool last);
    void Keep(std::string_view part);

    ImportSource& source_;  // borrowed
    std::vector<char> piece_;
    Encoding encoding_ = Encoding::Utf8;
    std::string carry_;     // raw bytes not yet decoded: a sequence or code unit cut off by a piece
    std::string text_;      // the decoded piece being split into lines
    size_t next_ = 0;       // the first byte of text_ not yet split
    bool ended_ = false;    // the source gave its last byte
    bool afterCr_ = false;  // the last line ended at a CR, so a LF next belongs to that end
    std::string line_;      // the line being read, up to its second blank
    int blanks_ = 0;        // the blanks line_ holds (at most 2)
    bool overlong_ = false;
};

struct ImportLine {
    std::string number;    // the first field, not yet checked
    std::string password;  // the second field
};
// nullopt for a line with fewer than two fields (no blank at all).
std::optional<ImportLine> ParseImportLine(std::string_view line);

// PwdHash of the password as the file held it.
std::string ImportPasswordHash(bool ansiFile, const std::string& password);
