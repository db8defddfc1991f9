// The window tests' entry: the program's application object on an offscreen screen, so
// that they run without a display.
#include "app/Vemora1.h"
#include "platform/ui/qt_application.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    vemora::ui::TApplication application(argc, argv);
    vemora::UsePaletteSystemColors(QApplication::palette());
    return RUN_ALL_TESTS();
}
