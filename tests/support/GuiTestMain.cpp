// main() of the window test programs: a QApplication on the offscreen platform (set before the
// application exists, so that listing the tests works without a display too) with the program's
// Japanese fonts and texts, then every case.
#include <QApplication>
#include <gtest/gtest.h>

#include "dialogs/JapaneseFonts.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tralex::InstallJapaneseFonts();
    return RUN_ALL_TESTS();
}
