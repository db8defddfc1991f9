#include "app/textreader.h"

#include "platform/numeric/exceptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace vemora {

namespace {

thread_local int32_t pendingIOError = 0;

// 10^i, 10^(32j) and 10^(512m), each the nearest extended value.
constexpr Extended kPow10Small[32] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,
                                      1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L,
                                      1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L,
                                      1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
constexpr Extended kPow10Medium[16] = {1e0L,   1e32L,  1e64L,  1e96L,  1e128L, 1e160L,
                                       1e192L, 1e224L, 1e256L, 1e288L, 1e320L, 1e352L,
                                       1e384L, 1e416L, 1e448L, 1e480L};
constexpr Extended kPow10Large[10] = {1e0L,    1e512L,  1e1024L, 1e1536L, 1e2048L,
                                      1e2560L, 1e3072L, 1e3584L, 1e4096L, 1e4608L};

constexpr int32_t kScaleLimit = 5120;

Extended ApplyPower(Extended value, Extended power, bool multiply) {
    const Extended result = multiply ? value * power : value / power;
    // Overflow is unmasked on the original processor setting; report it as that would.
    if (std::isinf(result) && std::isfinite(value)) {
        throw EOverflow();
    }
    return result;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int32_t PendingIOError() {
    return pendingIOError;
}

void SetPendingIOError(int32_t code) {
    pendingIOError = code;
}

const char* IOErrorMessageFormat(int32_t code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error %d";
    }
}

std::string TokenPlaceText(const TTokenPlace& place) {
    // A character begins at every byte that does not continue a UTF-8 sequence; a token
    // that is not UTF-8 is cut by its bytes.
    size_t cut = 0;
    int characters = 0;
    for (; cut < place.Token.size(); ++cut) {
        const auto byte = static_cast<unsigned char>(place.Token[cut]);
        if ((byte & 0xC0) != 0x80 && ++characters > kMaxShownTokenChars)
            break;
    }
    return "line " + std::to_string(place.Line) + ", column " + std::to_string(place.Column) +
           ": " + place.Token.substr(0, cut);
}

void CheckIO() {
    const int32_t code = pendingIOError;
    if (code == 0) {
        return;
    }
    pendingIOError = 0;
    std::string message = IOErrorMessageFormat(code);
    const auto at = message.find("%d");
    if (at != std::string::npos) {
        message.replace(at, 2, std::to_string(code));
    }
    throw EInOutError(std::move(message), code);
}

Extended ScalePow10(Extended value, int32_t k) {
    if (k == 0) {
        return value;
    }
    if (k >= kScaleLimit) {
        return INFINITY;
    }
    if (k <= -kScaleLimit) {
        return 0.0L;
    }
    const bool multiply = k > 0;
    const int32_t n = multiply ? k : -k;
    value = ApplyPower(value, kPow10Small[n % 32], multiply);
    if ((n / 32) % 16 != 0) {
        value = ApplyPower(value, kPow10Medium[(n / 32) % 16], multiply);
    }
    if (n / 512 != 0) {
        value = ApplyPower(value, kPow10Large[n / 512], multiply);
    }
    return value;
}

TParseResult ParseReal(const char* text) {
    int32_t i = 0;
    while (text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (text[i] == '\0') {
        return {0.0L, i + 1};
    }
    Extended value = 0.0L;
    while (IsDigit(text[i])) {
        value = value * 10.0L;
        value = value + static_cast<Extended>(text[i] - '0');
        ++i;
    }
    uint32_t fractionDigits = 0;
    if (text[i] == '.') {
        ++i;
        while (IsDigit(text[i])) {
            value = value * 10.0L;
            value = value + static_cast<Extended>(text[i] - '0');
            ++fractionDigits;
            ++i;
        }
    }
    uint32_t exponent = 0;
    if (text[i] == 'E' || text[i] == 'e') {
        ++i;
        bool negativeExponent = false;
        if (text[i] == '+' || text[i] == '-') {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (!IsDigit(text[i])) {
            return {value, i + 1};
        }
        // The exponent wraps modulo 2^32, as a 32-bit accumulator does.
        while (IsDigit(text[i])) {
            exponent = exponent * 10u + static_cast<uint32_t>(text[i] - '0');
            ++i;
        }
        if (negativeExponent) {
            exponent = 0u - exponent;
        }
    }
    if (text[i] != '\0') {
        return {value, i + 1};
    }
    const auto k = static_cast<int32_t>(exponent - fractionDigits);
    value = ScalePow10(value, k);
    if (negative) {
        value = -value;
    }
    return {value, 0};
}

TextReader::~TextReader() {
    CloseQuietly();
}

void TextReader::AssignName(std::string_view path) {
    CloseQuietly();
    handle_ = platform::kInvalidFileHandle;
    ownsHandle_ = false;
    mode_ = kModeClosed;
    flags_ = 1;
    blockSize_ = kBlockSize;
    position_ = 0;
    end_ = 0;
    aheadPosition_ = aheadEnd_ = 0;
    keep_ = nullptr;
    replay_ = nullptr;
    cancel_ = nullptr;
    blockOffset_ = counted_ = lineEnds_ = lineStart_ = 0;
    tokenLine_ = tokenColumn_ = 0;
    tokenLength_ = 0;
    std::memset(buffer_, 0, sizeof buffer_);
    std::memset(path_, 0, sizeof path_);
    // A text field's string ends at its first NUL, as the platform's strings do.
    path = path.substr(0, path.find('\0'));
    pathTooLong_ = path.size() > static_cast<size_t>(platform::kMaxPathLength);
    if (!pathTooLong_) {
        std::memcpy(path_, path.data(), path.size());
    }
}

void TextReader::OpenForInput() {
    if (!IsKnownMode(mode_)) {
        SetPendingIOError(io::kNeverBound);
        return;
    }
    if (IsOpenMode(mode_)) {
        CloseText();
    }
    mode_ = kModeInput;
    position_ = 0;
    end_ = 0;
    aheadPosition_ = aheadEnd_ = 0;
    replayed_ = 0;
    blockOffset_ = counted_ = lineEnds_ = lineStart_ = 0;
    uint32_t code = 0;
    if (pathTooLong_) {
        code = platform::error::kPathNotFound;
    } else if (path_[0] == '\0') {
        handle_ = platform::StdInputHandle();
        ownsHandle_ = false;
        // A regular file is read again from where the first reading began; anything
        // else is read once and its bytes kept.
        if (keep_) {
            keep_->Rereadable = platform::RereadablePosition(handle_, keep_->Offset);
        }
        if (replay_ && replay_->Rereadable && !platform::SeekFile(handle_, replay_->Offset)) {
            code = platform::error::kReadFault;
        }
    } else {
        // A file is opened again by its name: nothing to keep.
        keep_ = nullptr;
        replay_ = nullptr;
        code = platform::OpenForReading(path_, handle_);
        ownsHandle_ = code == 0;
    }
    if (code != 0) {
        mode_ = kModeClosed;
        handle_ = platform::kInvalidFileHandle;
        SetPendingIOError(static_cast<int32_t>(code));
    }
}

int TextReader::NextChar() {
    if (mode_ != kModeInput) {
        SetPendingIOError(io::kNotOpenForInput);
        return kEndMarker;
    }
    if (position_ < end_) {
        const uint8_t c = buffer_[position_];
        if ((flags_ & 1) != 0 && c == kCtrlZ) {
            return kEndMarker;
        }
        ++position_;
        return c;
    }
    CountLinesTo(blockOffset_ + end_);
    blockOffset_ += end_;
    position_ = 0;
    end_ = 0;
    uint32_t got = 0;
    const uint32_t code = ReadBlock(got);
    if (code != 0 && code != platform::error::kBrokenPipe) {
        SetPendingIOError(static_cast<int32_t>(code));
        return kEndMarker;
    }
    end_ = got;
    if (end_ == 0) {
        if ((flags_ & 1) != 0) {
            // Make the end sticky: every later call sees the marker without reading again.
            buffer_[position_] = kCtrlZ;
            ++end_;
        }
        return kEndMarker;
    }
    return NextChar();
}

uint32_t TextReader::ReadBlock(uint32_t& got) {
    got = 0;
    if (aheadPosition_ == aheadEnd_) {
        if (!ahead_)
            ahead_ = std::make_unique<uint8_t[]>(kAheadSize);
        aheadPosition_ = aheadEnd_ = 0;
        uint32_t read = 0;
        const uint32_t code = FillAhead(read);
        if (code != 0)
            return code;
        aheadEnd_ = read;
    }
    got = std::min(blockSize_, aheadEnd_ - aheadPosition_);
    std::memcpy(buffer_, ahead_.get() + aheadPosition_, got);
    aheadPosition_ += got;
    return 0;
}

uint32_t TextReader::FillAhead(uint32_t& read) {
    read = 0;
    if (replay_ && !replay_->Rereadable) {
        if (replayed_ < replay_->Bytes.size()) {
            read = static_cast<uint32_t>(
                std::min<size_t>(kAheadSize, replay_->Bytes.size() - replayed_));
            std::memcpy(ahead_.get(), replay_->Bytes.data() + replayed_, read);
            replayed_ += read;
            return 0;
        }
        // Where the first reading stopped, the input goes on (or ended then: a terminal
        // would wait for more).
        if (replay_->Ended)
            return 0;
    }
    if (cancel_ && cancel_->load(std::memory_order_relaxed))
        throw EAbort();
    const uint32_t code = platform::ReadFile(handle_, ahead_.get(), kAheadSize, read);
    if (keep_ && !keep_->Rereadable) {
        if (code == 0 && read > 0)
            keep_->Bytes.insert(keep_->Bytes.end(), ahead_.get(), ahead_.get() + read);
        else if (code == 0 || code == platform::error::kBrokenPipe)
            keep_->Ended = true;
    }
    return code;
}

void TextReader::CountLinesTo(uint64_t offset) {
    if (offset <= counted_)
        return;
    const uint8_t* from = buffer_ + (counted_ - blockOffset_);
    const uint8_t* const to = buffer_ + (offset - blockOffset_);
    while (from < to) {
        const void* lf = std::memchr(from, '\n', static_cast<size_t>(to - from));
        if (!lf)
            break;
        from = static_cast<const uint8_t*>(lf) + 1;
        ++lineEnds_;
        lineStart_ = blockOffset_ + static_cast<uint64_t>(from - buffer_);
    }
    counted_ = offset;
}

TTokenPlace TextReader::LastTokenPlace() const {
    return {static_cast<int64_t>(tokenLine_), static_cast<int64_t>(tokenColumn_),
            std::string(token_, static_cast<size_t>(tokenLength_))};
}

bool TextReader::SkipSpace() {
    for (;;) {
        const int c = NextChar();
        if (c == kEndMarker) {
            return true;
        }
        if (c > 32) {
            PutBack();
            return false;
        }
    }
}

bool TextReader::AtEnd() {
    if (mode_ == kModeInput && position_ < end_) {
        return (flags_ & 1) != 0 && buffer_[position_] == kCtrlZ;
    }
    if (NextChar() == kEndMarker) {
        return true;
    }
    PutBack();
    return false;
}

Extended TextReader::ReadNumber() {
    if (SkipSpace()) {
        return 0.0L;
    }
    const uint64_t start = blockOffset_ + position_;
    CountLinesTo(start);
    tokenLine_ = lineEnds_ + 1;
    tokenColumn_ = start - lineStart_ + 1;
    char* const token = token_;
    int length = 0;
    while (length < kTokenLength) {
        const int c = NextChar();
        if (c == kEndMarker) {
            break;
        }
        if (c <= 32) {
            PutBack();
            break;
        }
        token[length++] = static_cast<char>(c);
    }
    token[length] = '\0';
    tokenLength_ = length;
    const TParseResult parsed = ParseReal(token);
    if (parsed.ErrorPos != 0) {
        SetPendingIOError(io::kInvalidNumber);
    }
    return parsed.Value;
}

void TextReader::SkipLine() {
    for (;;) {
        int c = NextChar();
        if (c == '\n' || c == kEndMarker) {
            return;
        }
        if (c == '\r') {
            c = NextChar();
            if (c == '\n' || c == kEndMarker) {
                return;
            }
            PutBack();
        }
    }
}

void TextReader::CloseText() {
    if (!IsOpenMode(mode_)) {
        SetPendingIOError(io::kNotOpen);
        return;
    }
    mode_ = kModeClosed;
    const bool owned = ownsHandle_;
    const platform::FileHandle handle = handle_;
    handle_ = platform::kInvalidFileHandle;
    ownsHandle_ = false;
    if (owned) {
        const uint32_t code = platform::CloseFile(handle);
        if (code != 0) {
            SetPendingIOError(static_cast<int32_t>(code));
        }
    }
}

void TextReader::CloseQuietly() {
    if (!IsOpenMode(mode_)) {
        return;
    }
    const int32_t saved = PendingIOError();
    CloseText();
    SetPendingIOError(saved);
}

} // namespace vemora
