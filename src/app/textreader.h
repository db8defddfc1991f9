// The data file's number reader: a text-file record with its own 128-byte block buffer,
// reading decimal numbers separated by characters of code 32 or less. Failures do not
// throw; they leave an error code pending for the thread, which CheckIO turns into an
// EInOutError. The one exception raised at once is EOverflow, when a number's decimal
// scale overflows the extended format.
#pragma once

#include "platform/files/files.h"
#include "platform/numeric/extended.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemora {

namespace io {
constexpr int32_t kNeverBound = 102;
constexpr int32_t kNotOpen = 103;
constexpr int32_t kNotOpenForInput = 104;
constexpr int32_t kInvalidNumber = 106;
} // namespace io

// The thread's pending input/output error, 0 when none. Operations store into it and
// never clear it; only CheckIO does.
int32_t PendingIOError();
void SetPendingIOError(int32_t code);

// Raises EInOutError for a pending code (and clears it); does nothing when none is pending.
void CheckIO();

// The message for an input/output error code.
const char* IOErrorMessageFormat(int32_t code);

// Result of ParseReal: the value and the 1-based position of the first character that does
// not fit (0 for success).
struct TParseResult {
    Extended Value;
    int32_t ErrorPos;
};

// Parses a decimal real from a zero-terminated text, accumulating in extended precision.
// The value left on failure is the mantissa accumulated up to the failing character.
TParseResult ParseReal(const char* text);

// value * 10^k (k > 0) or value / 10^-k (k < 0) through the three power tables.
Extended ScalePow10(Extended value, int32_t k);

// What the first reading of an input that cannot be opened again (standard input) took
// from it, so that a second reading sees the same bytes: either the bytes themselves, or,
// for a regular file, the place it was read from.
struct TKeptInput {
    std::vector<uint8_t> Bytes;
    // The system reported the input's end while these bytes were taken.
    bool Ended = false;
    bool Rereadable = false;
    int64_t Offset = 0;
};

// The place of a token in the data: line and column (in bytes) counted from 1.
struct TTokenPlace {
    int64_t Line = 0;
    int64_t Column = 0;
    std::string Token;
};

// "line 3, column 5: 6x", the token cut to its first kMaxShownTokenChars characters.
std::string TokenPlaceText(const TTokenPlace& place);
constexpr int kMaxShownTokenChars = 40;

class TextReader {
public:
    static constexpr uint16_t kModeClosed = 0xD7B0;
    static constexpr uint16_t kModeInput = 0xD7B1;
    static constexpr uint16_t kModeOutput = 0xD7B2;
    static constexpr uint16_t kModeInOut = 0xD7B3;
    static constexpr uint32_t kBlockSize = 128;
    static constexpr int kTokenLength = 64;

    TextReader() = default;
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;
    ~TextReader();

    // Binds the record to a path (empty: standard input). A record still open is closed
    // first, without any pending error, so that rebinding never leaks a descriptor.
    void AssignName(std::string_view path);
    void OpenForInput();
    bool AtEnd();
    Extended ReadNumber();
    void SkipLine();
    void CloseText();

    uint16_t Mode() const { return mode_; }
    bool IsOpen() const { return IsOpenMode(mode_); }
    const char* Path() const { return path_; }

    // For standard input: this reading keeps what it takes into `keep`, and a later one
    // given it by ReplayInput reads the same data again. Both are set after AssignName
    // (which forgets them) and before OpenForInput; the TKeptInput outlives the reading.
    void KeepInput(TKeptInput* keep) { keep_ = keep; }
    void ReplayInput(const TKeptInput* kept) { replay_ = kept; }

    // Once `flag` is set, the next read from the system raises EAbort instead.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }

    // Where the last token ReadNumber took begins, and its text.
    TTokenPlace LastTokenPlace() const;

    // Closes the record if it is open and leaves the pending error as it was: the cleanup
    // after a failed run.
    void CloseQuietly();

private:
    static constexpr int kEndMarker = -1;
    static constexpr uint8_t kCtrlZ = 26;

    static bool IsOpenMode(uint16_t mode) {
        return mode == kModeInput || mode == kModeOutput || mode == kModeInOut;
    }
    static bool IsKnownMode(uint16_t mode) { return mode == kModeClosed || IsOpenMode(mode); }

    int NextChar();
    // The next block of the record from the read-ahead, which takes the file in large
    // reads: block by block from the system, a file costs a call per 128 bytes.
    uint32_t ReadBlock(uint32_t& got);
    uint32_t FillAhead(uint32_t& read);
    void PutBack() { --position_; }
    bool SkipSpace();
    // Counts the line ends of the data up to `offset` (in bytes from its start), which lies
    // in the current block.
    void CountLinesTo(uint64_t offset);

    platform::FileHandle handle_ = platform::kInvalidFileHandle;
    bool ownsHandle_ = false;
    uint16_t mode_ = 0;
    uint16_t flags_ = 0;
    uint32_t blockSize_ = 0;
    uint32_t position_ = 0;
    uint32_t end_ = 0;
    bool pathTooLong_ = false;
    uint8_t buffer_[kBlockSize] = {};
    static constexpr uint32_t kAheadSize = 64 * 1024;
    std::unique_ptr<uint8_t[]> ahead_;
    uint32_t aheadPosition_ = 0;
    uint32_t aheadEnd_ = 0;
    char path_[platform::kMaxPathLength + 1] = {};

    TKeptInput* keep_ = nullptr;
    const TKeptInput* replay_ = nullptr;
    size_t replayed_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;

    // Where the current block starts in the data, and how far its line ends are counted.
    uint64_t blockOffset_ = 0;
    uint64_t counted_ = 0;
    uint64_t lineEnds_ = 0;
    uint64_t lineStart_ = 0;
    // The last token: where it begins and its text.
    uint64_t tokenLine_ = 0;
    uint64_t tokenColumn_ = 0;
    int tokenLength_ = 0;
    char token_[kTokenLength + 1] = {};
};

} // namespace vemora
