// Test helper: writes a large text with WriteTextFile, for a test that kills it while it writes.
//   WriteTextFileChild <path> <number of characters>
// Prints "writing" once it is about to write, and exits 0 when the file is written.
#include "services/basMake.h"
#include "platform/ProgramError.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString text(QByteArray(argv[2]).toLongLong(), QLatin1Char('n'));
    std::printf("writing\n");
    std::fflush(stdout);
    try {
        tralex::WriteTextFile(path, text);
    } catch (const tralex::ProgramError&) {
        return 1;
    }
    return 0;
}
