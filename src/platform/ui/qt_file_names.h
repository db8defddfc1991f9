// File names between the system and Qt's strings. A name on this system is any string of
// bytes; Qt's own conversions turn bytes that are not UTF-8 into U+FFFD, and such a name
// no longer opens its file. Here every byte that does not belong to a UTF-8 character
// becomes a lone low surrogate U+DC80..U+DCFF in the QString and turns back into the same
// byte, so that any name survives the path field.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class QUrl;

namespace vemora::ui {

QString FileNameFromBytes(std::string_view bytes);
std::string FileNameBytes(const QString& name);

// The program's arguments as the system gave them (after the application object has taken
// its own), each kept whole.
QStringList RawArguments(int argc, char** argv);

// The working folder, kept whole.
QString CurrentFolder();

// The local file a file URL names, kept whole (its percent-escapes are bytes); an empty
// text for a URL that names no local file.
QString LocalFileFromUrl(const QUrl& url);

// A path as Qt's file dialog gives it, where a name that is not UTF-8 shows U+FFFD: the
// path of the one entry on the disk it stands for, or the path unchanged when it exists
// or when no entry or more than one fits.
QString ExistingFileName(const QString& shown);

} // namespace vemora::ui
