// Test helper: prints where the program would find ReadMe.txt when it stood where this helper
// stands (the installation test copies it into an installed bin folder).
#include "platform/SettingsFolder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%s\n", tralex::ReadMePath().toLocal8Bit().constData());
    return 0;
}
