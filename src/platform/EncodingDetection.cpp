#include "platform/EncodingDetection.h"

#include "platform/EucJpTables.h"
#include "platform/UtfWalk.h"
#include "platform/Windows31JTables.h"

#include <cstring>

namespace tralex {

namespace {

constexpr TextEncoding MarkedEncodings[] = {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom,
                                            TextEncoding::Utf16BeBom};

void setFailure(CodePageFailure* failure, qsizetype position)
{
    if (failure)
        failure->position = position;
}

}  // namespace

bool LooksBinary(QByteArrayView bytes)
{
    if (bytes.startsWith(ByteOrderMark(TextEncoding::Utf16LeBom))
        || bytes.startsWith(ByteOrderMark(TextEncoding::Utf16BeBom))) {
        const char* p = bytes.data();
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
            if (p[i] == 0 && p[i + 1] == 0)
                return true;
        return false;
    }
    return std::memchr(bytes.data(), 0, size_t(bytes.size())) != nullptr;
}

bool HasUtf32ByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4))
           || bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4));
}

std::optional<DecodedText> DecodeText(const QByteArray& bytes, CodePageFailure* failure)
{
    if (HasUtf32ByteOrderMark(bytes)) {
        setFailure(failure, 0);
        return std::nullopt;
    }
    for (TextEncoding withBom : MarkedEncodings) {
        const QByteArray& bom = ByteOrderMark(withBom);
        if (!bytes.startsWith(bom))
            continue;
        auto decoded = DecodeAs(bytes.sliced(bom.size()), withBom, failure);
        if (!decoded && failure)
            failure->position += bom.size();
        return decoded;
    }
    {
        QString text;
        if (DecodeUtf8(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), text) < 0) {
            setFailure(failure, -1);
            return DecodedText{TextEncoding::Utf8, std::move(text), {}};
        }
    }
    return DecodeAs(bytes, TextEncoding::Windows31J, failure);
}

std::optional<TextEncoding> DetectEncoding(const QByteArray& bytes, CodePageFailure* failure)
{
    if (HasUtf32ByteOrderMark(bytes)) {
        setFailure(failure, 0);
        return std::nullopt;
    }
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (TextEncoding withBom : MarkedEncodings) {
        const QByteArray& bom = ByteOrderMark(withBom);
        if (!bytes.startsWith(bom))
            continue;
        qsizetype bad = -1;
        if (withBom == TextEncoding::Utf8Bom) {
            bad = CheckUtf8(data + bom.size(), bytes.size() - bom.size());
        } else {
            QString text;
            bad = DecodeUtf16(data + bom.size(), bytes.size() - bom.size(),
                              withBom == TextEncoding::Utf16BeBom, text);
        }
        setFailure(failure, bad < 0 ? -1 : bad + bom.size());
        if (bad >= 0)
            return std::nullopt;
        return withBom;
    }
    if (CheckUtf8(data, bytes.size()) < 0) {
        setFailure(failure, -1);
        return TextEncoding::Utf8;
    }
    const qsizetype bad = CheckWindows31J(data, bytes.size());
    setFailure(failure, bad);
    if (bad >= 0)
        return std::nullopt;
    return TextEncoding::Windows31J;
}

std::optional<TextEncoding> DetectFileEncoding(const QByteArray& bytes, bool* alsoEucJp)
{
    if (alsoEucJp)
        *alsoEucJp = false;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    const std::optional<TextEncoding> found = DetectEncoding(bytes);
    if (found) {
        if (alsoEucJp && *found == TextEncoding::Windows31J)
            *alsoEucJp = CheckEucJp(data, bytes.size()) < 0;
        return found;
    }
    if (HasUtf32ByteOrderMark(bytes))
        return std::nullopt;
    for (TextEncoding withBom : MarkedEncodings)
        if (bytes.startsWith(ByteOrderMark(withBom)))
            return std::nullopt;  // the mark decides
    if (CheckEucJp(data, bytes.size()) < 0)
        return TextEncoding::EucJp;
    return std::nullopt;
}

}  // namespace tralex
