#include "platform/StrictConverter.h"

#include "platform/ProgramError.h"

namespace tralex {

StrictConverter::StrictConverter(const char* name, const QString& label)
{
    UErrorCode status = U_ZERO_ERROR;
    mConverter.reset(ucnv_open(name, &status));
    if (U_FAILURE(status) || !mConverter)
        throw ProgramError(QStringLiteral("CodePage"),
                           QStringLiteral("%1 の変換表が使えません (%2)")
                               .arg(label, QString::fromLatin1(u_errorName(status))));
    UConverter* conv = mConverter.get();
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFallback(conv, false);
}

char16_t StrictConverter::Decode(const char* bytes, int length, UErrorCode* error)
{
    ucnv_resetToUnicode(mConverter.get());
    UChar out[4];
    UChar* target = out;
    const char* source = bytes;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(mConverter.get(), &target, out + 4, &source, bytes + length, nullptr, true, &status);
    if (error)
        *error = status;
    if (U_FAILURE(status) || target - out != 1 || source != bytes + length)
        return 0;
    return out[0];
}

QByteArray StrictConverter::Encode(char16_t c)
{
    ucnv_resetFromUnicode(mConverter.get());
    const UChar in = c;
    const UChar* source = &in;
    char out[4];
    char* target = out;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_fromUnicode(mConverter.get(), &target, out + 4, &source, &in + 1, nullptr, true, &error);
    if (U_FAILURE(error))
        return QByteArray();
    return QByteArray(out, int(target - out));
}

}  // namespace tralex
