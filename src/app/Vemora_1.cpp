// Vemora: the program's entry. One window; the message loop runs until it is closed.
#include "app/Vemora1.h"
#include "platform/ui/qt_application.h"

#include <QApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        vemora::ui::TApplication application(argc, argv);
        vemora::UsePaletteSystemColors(QApplication::palette());
        vemora::TForm1 form;
        application.SetMainWindow(&form);
        form.show();
        return application.Run();
    } catch (const std::exception& e) {
        // Only start-up can get here: every handler reports its own failures.
        std::fprintf(stderr, "Vemora_1: %s\n", e.what());
        return 1;
    }
}
