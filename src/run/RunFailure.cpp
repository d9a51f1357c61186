#include "run/RunFailure.h"

#include "platform/ProgramError.h"

#include <exception>
#include <new>

namespace tralex {

QString FailureOf(const std::function<void()>& action)
{
    try {
        action();
        return QString();
    } catch (const ProgramError& error) {
        return error.description();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("メモリが足りません");
    } catch (const std::exception& error) {
        return QStringLiteral("予期しないエラーが発生しました: %1").arg(QString::fromLocal8Bit(error.what()));
    }
}

}  // namespace tralex
