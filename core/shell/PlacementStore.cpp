#include "PlacementStore.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>

namespace {
const QString kSection = QStringLiteral("TfrmMain");

bool readInt(const QSettings &s, const QString &name, int &value)
{
    bool ok = false;
    const int v = s.value(name).toString().trimmed().toInt(&ok);
    if (ok)
        value = v;
    return ok;
}

QString readText(const QSettings &s, const QString &name)
{
    return s.value(name).toString();
}

// Words are runs of characters other than commas and blanks.
QStringList words(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[, ]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

int wordAt(const QStringList &w, int index, int fallback)
{
    if (index >= w.size())
        return fallback;
    bool ok = false;
    const int v = w.at(index).toInt(&ok);
    return ok ? v : fallback;
}

QString fourNumbers(int a, int b, int c, int d)
{
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

QString settingsError(const QSettings &s)
{
    return QStringLiteral("Cannot access the window placement in \"%1\".").arg(s.fileName());
}
} // namespace

PlacementStore::PlacementStore(QSettings &settings) : m_settings(settings) {}

QString PlacementStore::sizeSuffix(QSize screen)
{
    return QStringLiteral("(%1x%2)").arg(screen.width()).arg(screen.height());
}

bool PlacementStore::restore(const WindowPlacement &current, const PlacementEnvironment &env,
                             PlacementRestore &out, QString *errorMessage)
{
    if (m_settings.status() != QSettings::NoError) {
        if (errorMessage)
            *errorMessage = settingsError(m_settings);
        return false;
    }
    m_settings.beginGroup(kSection);
    out = PlacementRestore{};
    out.placement = current;
    out.placement.showCmd = 0; // not visible yet

    int version = 0;
    readInt(m_settings, QStringLiteral("FormVersion"), version);
    if (version >= 0) {
        WindowPlacement &p = out.placement;
        readInt(m_settings, QStringLiteral("Flags"), p.flags);
        const QString suffix = sizeSuffix(env.screenSize);

        bool found = false;
        QString minMax = readText(m_settings, QStringLiteral("MinMaxPos") + suffix);
        if (minMax.isEmpty())
            minMax = readText(m_settings, QStringLiteral("MinMaxPos"));
        if (!minMax.isEmpty()) {
            found = true;
            const QStringList w = words(minMax);
            p.minPosition = QPoint(wordAt(w, 0, 0), wordAt(w, 1, 0));
            p.maxPosition = QPoint(wordAt(w, 2, 0), wordAt(w, 3, 0));
        }
        QString norm = readText(m_settings, QStringLiteral("NormPos") + suffix);
        if (norm.isEmpty())
            norm = readText(m_settings, QStringLiteral("NormPos"));
        if (!norm.isEmpty()) {
            found = true;
            const QStringList w = words(norm);
            p.left = wordAt(w, 0, current.left);
            p.top = wordAt(w, 1, current.top);
            p.right = wordAt(w, 2, current.right);
            p.bottom = wordAt(w, 3, current.bottom);
        }
        int ppi = env.pixelsPerInch;
        readInt(m_settings, QStringLiteral("PixelsPerInch"), ppi);
        if (ppi != env.pixelsPerInch)
            found = false;
        out.applyPlacement = found && p.left < p.right;

        int showCmd = 0;
        readInt(m_settings, QStringLiteral("ShowCmd"), showCmd);
        switch (showCmd) {
        case 2:
        case 6:
        case 7:
            out.state = RestoredState::Minimized;
            break;
        case 3:
            out.state = RestoredState::Maximized;
            break;
        default:
            out.state = RestoredState::Normal;
            break;
        }
    }
    m_settings.endGroup();
    // A maximized window keeps its sizing frame outside the screen.
    out.placement.maxPosition = QPoint(-env.frameSize.x(), -env.frameSize.y());
    m_restored = true;
    return true;
}

bool PlacementStore::save(const WindowPlacement &placement, bool applicationMinimized,
                          const PlacementEnvironment &env, bool destroying, QString *errorMessage)
{
    if (!m_restored)
        return true;
    const QString suffix = sizeSuffix(env.screenSize);
    const QString minMax = fourNumbers(placement.minPosition.x(), placement.minPosition.y(),
                                       placement.maxPosition.x(), placement.maxPosition.y());
    const QString norm = fourNumbers(placement.left, placement.top, placement.right, placement.bottom);

    m_settings.beginGroup(kSection);
    m_settings.setValue(QStringLiteral("FormVersion"), QStringLiteral("0"));
    m_settings.setValue(QStringLiteral("Flags"), QString::number(placement.flags));
    m_settings.setValue(QStringLiteral("ShowCmd"),
                        QString::number(applicationMinimized ? 2 : placement.showCmd));
    m_settings.setValue(QStringLiteral("PixelsPerInch"), QString::number(env.pixelsPerInch));
    m_settings.setValue(QStringLiteral("MinMaxPos") + suffix, minMax);
    m_settings.setValue(QStringLiteral("MinMaxPos"), minMax);
    m_settings.setValue(QStringLiteral("NormPos") + suffix, norm);
    m_settings.setValue(QStringLiteral("NormPos"), norm);
    m_settings.setValue(QStringLiteral("Visible"), destroying ? QStringLiteral("1") : QStringLiteral("0"));
    m_settings.endGroup();
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError) {
        if (errorMessage)
            *errorMessage = settingsError(m_settings);
        return false;
    }
    m_saved = true;
    return true;
}
