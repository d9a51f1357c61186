#pragma once
// UNO helpers shared by the office automation's sources (and the office tests' fixtures); the
// public headers of the automation use Qt types only, so that nothing outside needs the SDK.
#include "platform/office/OfficeApplication.h"
#include "platform/office/OfficeDocument.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

#include <QString>
#include <initializer_list>

namespace tralex::lo {

namespace css = com::sun::star;

inline rtl::OUString ToOU(const QString& text)
{
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), sal_Int32(text.size()));
}

inline QString ToQ(const rtl::OUString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}

inline css::beans::PropertyValue Property(const char* name, const css::uno::Any& value)
{
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

inline css::uno::Sequence<css::beans::PropertyValue> Properties(
    std::initializer_list<css::beans::PropertyValue> list)
{
    return css::uno::Sequence<css::beans::PropertyValue>(list.begin(), sal_Int32(list.size()));
}

// The document's model, for operations on one kind of document.
css::uno::Reference<css::lang::XComponent> ComponentOf(const OfficeDocument& document);

// The document's page styles by name.
css::uno::Reference<css::container::XNameAccess> PageStyles(const OfficeDocument& document);

// Replaces every occurrence of each find text, as plain text (no regular expression or wildcard,
// a match may be part of a word), in what `target` covers, pair after pair; returns the number
// of replacements.
qint64 ReplaceAllIn(const css::uno::Reference<css::util::XReplaceable>& target, const TextPairs& pairs,
                    bool matchCase);

// Runs f; a UNO exception becomes the OfficeError that fits the state of the process: Hung when
// the watchdog ended it, Crashed when it is gone or the connection to it is, else a failure of
// the file with `reason`.
template <typename F>
auto Guarded(OfficeApplication& application, const QString& reason, F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const css::lang::DisposedException& e) {
        application.RaiseLost(ToQ(e.Message));
    } catch (const css::uno::Exception& e) {
        application.RaiseFailure(reason, ToQ(e.Message));
    }
}

}  // namespace tralex::lo
