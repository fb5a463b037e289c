#include "StreamAddress.h"

#include <QByteArray>
#include <QUrl>

StreamAddress StreamAddress::parse(const QString &text)
{
    StreamAddress address;
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    // A bar with nothing recognisable after it is still cut off: no server wants it in the path.
    address.url = bar < 0 ? text : text.left(bar);
    if (bar < 0)
        return address;
    const QStringView options = QStringView(text).mid(bar + 1);
    for (const QStringView pair : options.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QStringView name = pair.left(equals).trimmed();
        const QString value = QUrl::fromPercentEncoding(pair.mid(equals + 1).toUtf8());
        if (name.compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0)
            address.userAgent = value;
        else if (name.compare(QLatin1String("Referer"), Qt::CaseInsensitive) == 0 ||
                 name.compare(QLatin1String("Referrer"), Qt::CaseInsensitive) == 0)
            address.referrer = value;
    }
    return address;
}
