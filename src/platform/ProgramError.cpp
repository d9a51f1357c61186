#include "platform/ProgramError.h"

namespace tralex {

ProgramError::ProgramError(const QString& source, const QString& description, qint32 number)
    : mNumber(number), mSource(source), mDescription(description),
      mWhat((source + QStringLiteral(": ") + description).toStdString())
{
}

}  // namespace tralex
