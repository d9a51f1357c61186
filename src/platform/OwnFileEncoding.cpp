#include "platform/OwnFileEncoding.h"

#include "platform/EncodingDetection.h"
#include "platform/UtfWalk.h"

namespace tralex {

QByteArray EncodeOwnFile(QStringView text)
{
    if (auto cp932 = EncodeText(text, TextEncoding::Windows31J)) {
        // Bytes that are also valid UTF-8 would be read back as UTF-8: write such a (rare) text
        // as UTF-8 with a byte order mark, which reads back unambiguously.
        QString asUtf8;
        const bool readsAsUtf8 =
            DecodeUtf8(reinterpret_cast<const uchar*>(cp932->constData()), cp932->size(), asUtf8)
            < 0;
        if (!readsAsUtf8 || asUtf8 == text)
            return *cp932;
    }
    // A lone surrogate fits no encoding; Qt writes it as U+FFFD.
    return ByteOrderMark(TextEncoding::Utf8Bom) + text.toUtf8();
}

std::optional<QString> DecodeOwnFile(const QByteArray& bytes)
{
    auto decoded = DecodeText(bytes);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded->text);
}

}  // namespace tralex
