#pragma once
// What an OfficeDocument holds, for the automation's own sources.
#include "platform/office/OfficeDocument.h"

#include <com/sun/star/lang/XComponent.hpp>

namespace tralex {

struct OfficeDocument::Impl {
    com::sun::star::uno::Reference<com::sun::star::lang::XComponent> component;
};

}  // namespace tralex
