// Measures decoding and encoding speed of the code-page functions on ~100 MB buffers.
// Usage: build/bench/codepage_bench [megabytes]   (default 100)
#include "platform/CodePage.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tralex;

namespace {

// Best of three runs: the machine is shared, single runs are noisy.
template <typename F>
double bestOf3(F&& run)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

void report(const char* name, qsizetype bytes, double decodeSeconds, double encodeSeconds,
            qsizetype kept)
{
    const double megabytes = bytes / (1024.0 * 1024.0);
    std::printf("%-34s %7.1f MB  decode %6.3f s (%5.0f MB/s)  encode %6.3f s (%5.0f MB/s)"
                "  kept %lld\n",
                name, megabytes, decodeSeconds, megabytes / decodeSeconds, encodeSeconds,
                megabytes / encodeSeconds, static_cast<long long>(kept));
}

void measure(const char* name, const QByteArray& bytes)
{
    std::optional<DecodedText> decoded;
    const double decodeSeconds = bestOf3([&] { decoded = DecodeText(bytes); });
    std::optional<QByteArray> encoded;
    const double encodeSeconds = bestOf3(
        [&] { encoded = EncodeText(decoded->text, decoded->encoding, decoded->kept); });
    if (!encoded || *encoded != bytes) {
        std::printf("%s: round trip FAILED\n", name);
        std::exit(1);
    }
    report(name, bytes.size(), decodeSeconds, encodeSeconds, decoded->kept.size());
}

// A buffer of about the given size made by repeating one line.
QByteArray repeatLine(const QString& line, qsizetype megabytes, TextEncoding encoding)
{
    const QByteArray bytes = *EncodeText(line, encoding);
    const QByteArray bom = *EncodeText(u"", encoding);
    return bom + bytes.sliced(bom.size()).repeated(megabytes * 1024 * 1024 / bytes.size());
}

}  // namespace

int main(int argc, char** argv)
{
    const qsizetype megabytes = argc > 1 ? std::atoi(argv[1]) : 100;
    const QString code = QStringLiteral(
        "    if (count > 0) { total += values[count - 1]; } // sum of the values\r\n");
    const QString mixed = QString::fromUtf8(
        "    strName = \"日本語のファイル名\"  ' 取引先の名前を読む ①\r\n");
    const QString japanese = QString::fromUtf8(
        "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。～ｶﾀｶﾅ①Ⅰ\r\n");

    measure("ascii code", repeatLine(code, megabytes, TextEncoding::Utf8));
    measure("mixed code, Windows-31J", repeatLine(mixed, megabytes, TextEncoding::Windows31J));
    measure("mixed code, UTF-8", repeatLine(mixed, megabytes, TextEncoding::Utf8));
    measure("japanese prose, Windows-31J",
            repeatLine(japanese, megabytes, TextEncoding::Windows31J));
    measure("japanese prose, UTF-8", repeatLine(japanese, megabytes, TextEncoding::Utf8));
    measure("japanese prose, UTF-16LE", repeatLine(japanese, megabytes, TextEncoding::Utf16LeBom));
    // NEC/IBM duplicates on every line: the kept list grows with the file.
    const QByteArray line = QByteArray("abc ") + QByteArray::fromHex("ed40fa4a93fa") + "\r\n";
    measure("duplicates on every line, cp932", line.repeated(megabytes * 1024 * 1024 / line.size()));
    return 0;
}
