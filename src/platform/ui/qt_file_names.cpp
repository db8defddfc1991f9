#include "platform/ui/qt_file_names.h"

#include <QUrl>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemora::ui {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char32_t kReplacement = 0xFFFD;

// The length of the UTF-8 character at `at`, or 0 when the bytes there are not one
// (overlong forms, surrogates and values past U+10FFFF are not).
size_t CharacterLength(std::string_view bytes, size_t at, char32_t& code) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The entries of `folder` whose names Qt shows as `shown`.
std::vector<std::string> EntriesShownAs(const std::string& folder, const QString& shown) {
    std::vector<std::string> found;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()),
                                                  closedir);
    if (!dir)
        return found;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) == shown)
            found.emplace_back(name);
    }
    return found;
}

} // namespace

QString FileNameFromBytes(std::string_view bytes) {
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        char32_t code = 0;
        const size_t length = CharacterLength(bytes, at, code);
        if (length == 0) {
            name +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        const char32_t codes[] = {code};
        name += QString::fromUcs4(codes, 1);
        at += length;
    }
    return name;
}

std::string FileNameBytes(const QString& name) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(name.size()));
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() &&
            QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(unit - kEscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, kReplacement);
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(FileNameFromBytes(argv[i] ? argv[i] : ""));
    return arguments;
}

QString CurrentFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return QStringLiteral(".");
        buffer.resize(buffer.size() * 2);
    }
    return FileNameFromBytes(buffer.data());
}

QString LocalFileFromUrl(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    // Only the path's escapes give its bytes: a decoded path has lost them.
    const QByteArray escaped = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray bytes = QByteArray::fromPercentEncoding(escaped);
    return FileNameFromBytes(
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

QString ExistingFileName(const QString& shown) {
    const std::string asGiven = FileNameBytes(shown);
    if (Exists(asGiven) || !shown.contains(QChar(static_cast<char16_t>(kReplacement))))
        return shown;
    // Walk down from the root, finding each part's entry by the name Qt shows for it.
    const QStringList parts = shown.split(u'/');
    std::string path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (i > 0)
            path += '/';
        if (part.isEmpty() || !part.contains(QChar(static_cast<char16_t>(kReplacement))) ||
            Exists(path + FileNameBytes(part))) {
            path += FileNameBytes(part);
            continue;
        }
        const std::vector<std::string> found = EntriesShownAs(path, part);
        if (found.size() != 1)
            return shown;
        path += found.front();
    }
    return FileNameFromBytes(path);
}

} // namespace vemora::ui
