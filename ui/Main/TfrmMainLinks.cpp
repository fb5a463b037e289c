// The web link under the player and the logo, which both open the portal's page, and the link's
// underline while the pointer is over it.
#include "TfrmMain.h"

#include "ui_TfrmMain.h"

#include "About/WebLinks.h"

void TfrmMain::lblLinkClick()
{
    WebLinks::openWebPage(QString::fromLatin1(LINKURL));
}

void TfrmMain::Image1Click()
{
    lblLinkClick();
}

void TfrmMain::lblLinkMouseEnter()
{
    QFont font = ui->lblLink->font();
    font.setUnderline(true);
    ui->lblLink->setFont(font);
}

void TfrmMain::lblLinkMouseLeave()
{
    QFont font = ui->lblLink->font();
    font.setUnderline(false);
    ui->lblLink->setFont(font);
}
