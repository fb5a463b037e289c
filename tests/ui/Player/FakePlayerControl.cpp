#include "FakePlayerControl.h"

#include "shell/NorvaleError.h"

FakePlayerControl::FakePlayerControl(QWidget *parent) : PlayerControl(parent) {}

void FakePlayerControl::playlistStop()
{
    operations << QStringLiteral("stop");
}

void FakePlayerControl::playlistItemsClear()
{
    operations << QStringLiteral("clear");
    m_items.clear();
}

qint32 FakePlayerControl::playlistAdd(const QString &uri, const QString &name)
{
    operations << QStringLiteral("add %1|%2").arg(uri, name);
    if (failAdd)
        throw NorvaleError(QStringLiteral("The address cannot be played."));
    m_items << uri;
    return m_nextId++;
}

void FakePlayerControl::playlistPlayItem(qint32 itemId)
{
    operations << QStringLiteral("play %1").arg(itemId);
    if (playingAtOnce)
        QMetaObject::invokeMethod(this, &FakePlayerControl::raisePlaying, Qt::QueuedConnection);
}

void FakePlayerControl::playlistTogglePause()
{
    operations << QStringLiteral("pause");
}

void FakePlayerControl::videoToggleFullscreen()
{
    operations << QStringLiteral("fullscreen");
    ++fullscreenToggles;
    m_fullscreen = !m_fullscreen;
}

int FakePlayerControl::raiseKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    emit KeyDown(&key, modifiers);
    return key;
}
