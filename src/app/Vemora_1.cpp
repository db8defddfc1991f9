// Vemora: the program's entry. One window; the message loop runs until it is closed.
#include "app/Vemora1.h"
#include "platform/files/files.h"
#include "platform/ui/qt_application.h"
#include "platform/ui/qt_file_names.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScrollBar>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// What the window system needs to show a message box: a shared memory segment for its
// picture, the font and icon files.
constexpr int kReservedDescriptors = 8;

void PrintUsage(std::FILE* to) {
    const QByteArray sample = vemora::SampleDataPath().toLocal8Bit();
    std::fprintf(to,
                 "Usage: Vemora_1 [--speed N] [FILE]\n"
                 "       Vemora_1 [--speed N] --follow FILE\n"
                 "       Vemora_1 --help | --version\n"
                 "Opens the plotting window. FILE goes into the path field (as an absolute\n"
                 "path); press the start button (or Enter) to plot it.\n"
                 "\n"
                 "  --follow FILE  plot FILE at once and follow it while it is written, as F5\n"
                 "                 does: each new complete line becomes a point, the newest\n"
                 "                 40000 are kept; '-' follows standard input\n"
                 "  --speed N      the speed scroll bar at start, 1 to 100 (default 1)\n"
                 "\n"
                 "Without FILE the path field holds the sample data file:\n"
                 "  %s\n",
                 sample.constData());
}

// What the command line asks for before any window: the usage or the version, whichever
// comes first; everything after "--" is a file name.
enum class TEarlyRequest { None, Help, Version };

TEarlyRequest EarlyRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return TEarlyRequest::None;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return TEarlyRequest::Help;
        if (std::strcmp(argv[i], "--version") == 0)
            return TEarlyRequest::Version;
    }
    return TEarlyRequest::None;
}

} // namespace

int main(int argc, char** argv) {
    switch (EarlyRequest(argc, argv)) {
    case TEarlyRequest::Help: {
        // No window and no display: the usage only needs the program's own folder.
        QCoreApplication core(argc, argv);
        PrintUsage(stdout);
        return 0;
    }
    case TEarlyRequest::Version:
        std::printf("Vemora_1 %s\n", VEMORA_VERSION);
        return 0;
    case TEarlyRequest::None:
        break;
    }
    // Descriptors for the message that says the process has run out of them, taken
    // before the window system takes its own.
    vemora::platform::ReserveDescriptors(kReservedDescriptors);
    try {
        vemora::ui::TApplication application(argc, argv);
        // The desktop's name of the program (its menu entry, and on Wayland the window's
        // application id) and the icon of its windows.
        QGuiApplication::setDesktopFileName(QStringLiteral(VEMORA_APP_ID));
        QIcon icon;
        for (const int size : {48, 256})
            icon.addFile(QStringLiteral(":/icons/%1/" VEMORA_APP_ID ".png").arg(size));
        QApplication::setWindowIcon(icon);
        // What the application object left of the arguments: its own options are gone.
        // Names kept whole: a file name need not be UTF-8.
        const vemora::TCommandLine line =
            vemora::ParseCommandLine(vemora::ui::RawArguments(argc, argv));
        if (!line.error.isEmpty()) {
            std::fprintf(stderr, "Vemora_1: %s\n", line.error.toLocal8Bit().constData());
            PrintUsage(stderr);
            return 2;
        }
        vemora::UsePaletteSystemColors(QApplication::palette());
        vemora::TForm1 form;
        application.SetMainWindow(&form);
        if (line.speed > 0)
            form.ScrollBar1()->setValue(line.speed);
        if (!line.file.isEmpty() && !line.follow)
            form.SetPathText(line.file);
        form.show();
        if (line.follow)
            form.StartFollowing(line.file);
        return application.Run();
    } catch (const std::exception& e) {
        // Only start-up can get here: every handler reports its own failures.
        std::fprintf(stderr, "Vemora_1: %s\n", e.what());
        return 1;
    }
}
