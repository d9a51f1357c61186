#pragma once
// One ICU converter set up to fail instead of guessing (stop callbacks both ways, no fallbacks),
// used one character at a time to build the lookup tables of a code page.
#include <QByteArray>
#include <QString>

#include <unicode/ucnv.h>

#include <memory>

namespace tralex {

class StrictConverter {
public:
    // Opens ICU's converter `name`; a converter that cannot be opened raises a ProgramError
    // naming the code page as `label`.
    StrictConverter(const char* name, const QString& label);

    // The one BMP character the bytes make, exactly; 0 when they make none or more, with the
    // ICU error in `error` when given.
    char16_t Decode(const char* bytes, int length, UErrorCode* error = nullptr);
    // The bytes the converter writes for a character; empty when it has none.
    QByteArray Encode(char16_t c);

private:
    struct Closer {
        void operator()(UConverter* c) const { ucnv_close(c); }
    };
    std::unique_ptr<UConverter, Closer> mConverter;
};

}  // namespace tralex
