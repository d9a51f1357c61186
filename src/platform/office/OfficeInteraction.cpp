#include "platform/office/OfficeInteraction.h"

#include "platform/office/OfficeUno.h"

#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>

namespace tralex {

using namespace com::sun::star;

void OfficeInteraction::handle(const uno::Reference<task::XInteractionRequest>& request)
{
    {
        std::lock_guard lock(mMutex);
        mRequests.append(lo::ToQ(request->getRequest().getValueTypeName()));
    }
    const uno::Sequence<uno::Reference<task::XInteractionContinuation>> continuations =
        request->getContinuations();
    for (const auto& continuation : continuations) {
        uno::Reference<task::XInteractionAbort> abort(continuation, uno::UNO_QUERY);
        if (abort.is()) {
            abort->select();
            return;
        }
    }
}

void OfficeInteraction::Reset()
{
    std::lock_guard lock(mMutex);
    mRequests.clear();
}

QString OfficeInteraction::FailureReason() const
{
    std::lock_guard lock(mMutex);
    // An aborted request is followed by an error report; the request before it tells why.
    const auto asked = [this](const char* word) {
        for (const QString& request : mRequests) {
            if (request.contains(QLatin1String(word)))
                return true;
        }
        return false;
    };
    if (asked("Password"))
        return QStringLiteral("パスワードで保護されています");
    if (asked("Lock"))
        return QStringLiteral("他のプログラムが使用中です");
    if (asked("FilterOptions") || asked("FilterSelect"))
        return QStringLiteral("拡張子と異なる形式のファイルです");
    if (asked("Broken") || asked("Repair"))
        return QStringLiteral("ファイルが壊れています");
    return QStringLiteral("ファイルが開けません");
}

}  // namespace tralex
