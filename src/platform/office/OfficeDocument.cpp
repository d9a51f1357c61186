#include "platform/office/OfficeDocument.h"

#include "platform/office/OfficeDocumentImpl.h"
#include "platform/office/OfficeUno.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <QUrl>

namespace tralex {

using namespace com::sun::star;
using lo::ToOU;
using lo::ToQ;

namespace lo {
uno::Reference<lang::XComponent> ComponentOf(const OfficeDocument& document)
{
    return document.impl().component;
}

uno::Reference<container::XNameAccess> PageStyles(const OfficeDocument& document)
{
    uno::Reference<style::XStyleFamiliesSupplier> families(ComponentOf(document), uno::UNO_QUERY_THROW);
    return uno::Reference<container::XNameAccess>(
        families->getStyleFamilies()->getByName(rtl::OUString("PageStyles")), uno::UNO_QUERY_THROW);
}

qint64 ReplaceAllIn(const uno::Reference<util::XReplaceable>& target, const TextPairs& pairs, bool matchCase)
{
    if (pairs.isEmpty())
        return 0;
    // One descriptor serves every pair: each call into LibreOffice is a round trip.
    uno::Reference<util::XReplaceDescriptor> descriptor = target->createReplaceDescriptor();
    uno::Reference<beans::XPropertySet> options(descriptor, uno::UNO_QUERY_THROW);
    options->setPropertyValue(rtl::OUString("SearchCaseSensitive"), uno::Any(matchCase));
    options->setPropertyValue(rtl::OUString("SearchWords"), uno::Any(false));
    options->setPropertyValue(rtl::OUString("SearchRegularExpression"), uno::Any(false));
    qint64 count = 0;
    for (const auto& [find, replace] : pairs) {
        descriptor->setSearchString(ToOU(find));
        descriptor->setReplaceString(ToOU(replace));
        count += target->replaceAll(descriptor.get());
    }
    return count;
}
}  // namespace lo

OfficeDocument::OfficeDocument(OfficeApplication& application, std::unique_ptr<Impl> impl)
    : mApplication(application), d(std::move(impl))
{
}

OfficeDocument::~OfficeDocument()
{
    Close();
}

QString OfficeDocument::FilterName()
{
    return lo::Guarded(mApplication, QStringLiteral("ファイルの形式を判別できません"), [&] {
        uno::Reference<frame::XModel> model(d->component, uno::UNO_QUERY_THROW);
        const uno::Sequence<beans::PropertyValue> arguments = model->getArgs();
        for (const beans::PropertyValue& p : arguments) {
            if (p.Name == "FilterName") {
                rtl::OUString name;
                p.Value >>= name;
                return ToQ(name);
            }
        }
        return QString();
    });
}

bool OfficeDocument::IsReadOnly()
{
    return lo::Guarded(mApplication, QStringLiteral("ファイルが開けません"), [&] {
        return uno::Reference<frame::XStorable>(d->component, uno::UNO_QUERY_THROW)->isReadonly();
    });
}

bool OfficeDocument::IsModified()
{
    return lo::Guarded(mApplication, QStringLiteral("ファイルが開けません"), [&] {
        return bool(uno::Reference<util::XModifiable>(d->component, uno::UNO_QUERY_THROW)->isModified());
    });
}

void OfficeDocument::StoreTo(const QString& path, const QString& filterName, const QString& shownAs)
{
    lo::Guarded(mApplication, QStringLiteral("ファイルを保存できません"), [&] {
        const rtl::OUString url = ToOU(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()));
        const rtl::OUString base =
            shownAs.isEmpty() ? url : ToOU(QString::fromLatin1(QUrl::fromLocalFile(shownAs).toEncoded()));
        const uno::Sequence<beans::PropertyValue> arguments = lo::Properties({
            lo::Property("FilterName", uno::Any(ToOU(filterName))),
            lo::Property("Overwrite", uno::Any(true)),
            // A preview picture would be drawn from the document, and drawing it loads what the
            // document links to.
            lo::Property("NoThumbnail", uno::Any(true)),
            lo::Property("DocumentBaseURL", uno::Any(base)),
        });
        uno::Reference<frame::XStorable>(d->component, uno::UNO_QUERY_THROW)->storeToURL(url, arguments);
    });
}

void OfficeDocument::Close()
{
    if (!d->component.is())
        return;
    uno::Reference<lang::XComponent> component = std::move(d->component);
    d->component.clear();
    try {
        uno::Reference<util::XCloseable> closeable(component, uno::UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            component->dispose();
    } catch (const uno::Exception&) {
        // vetoed or the process is gone: either way nothing is stored
    }
}

}  // namespace tralex
