#include "PlayerControl.h"

PlayerControl::PlayerControl(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, BackColor());
    setPalette(p);
}

PlayerControl::~PlayerControl() = default;

void PlayerControl::setBranding(bool branding)
{
    m_branding = branding;
}

void PlayerControl::setToolbar(bool toolbar)
{
    m_toolbar = toolbar;
    toolbarChanged(toolbar);
}

void PlayerControl::setVolume(int volume)
{
    m_volume = qBound(0, volume, 200);
    volumeChanged(m_volume);
}

void PlayerControl::toolbarChanged(bool) {}

void PlayerControl::volumeChanged(int) {}
