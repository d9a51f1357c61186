#pragma once
// The interaction handler given to every file LibreOffice opens. LibreOffice asks it whenever it
// would ask a person (a password, a file locked by someone else, a damaged file to repair, a
// filter to choose): it aborts every request, so that such a file fails to open at once instead
// of waiting for an answer nobody gives, and remembers what was asked so that the skipped file
// can be reported with its reason.
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <QString>
#include <QStringList>
#include <mutex>

namespace tralex {

class OfficeInteraction : public cppu::WeakImplHelper1<com::sun::star::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const com::sun::star::uno::Reference<
                         com::sun::star::task::XInteractionRequest>& request) override;

    // Forgets the requests seen so far.
    void Reset();
    // The reason a file failed to open, as the user reads it, from the requests seen.
    QString FailureReason() const;

private:
    mutable std::mutex mMutex;
    QStringList mRequests;  // type names of the requests' contents, in order
};

}  // namespace tralex
