#include "WebLinks.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
WebLinks::Opener &testOpener()
{
    static WebLinks::Opener opener;
    return opener;
}
} // namespace

void WebLinks::openWebPage(const QString &address)
{
    if (testOpener()) {
        testOpener()(address);
        return;
    }
    (void)QDesktopServices::openUrl(QUrl(address));
}

void WebLinks::setOpenerForTesting(Opener opener)
{
    testOpener() = std::move(opener);
}
