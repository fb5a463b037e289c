#include "TfrmAbout.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmAbout.h"

#include "WebLinks.h"
#include "common/ImageLists.h"

using CommandBoundary::command;

TfrmAbout *frmAbout = nullptr;

namespace {
QFont fontOfHeight(const QString &family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

// The address as a reader types it: without its scheme and its closing slash.
QString plainAddress(const QString &address)
{
    QString plain = address;
    plain.remove(0, plain.indexOf(QStringLiteral("://")) + 3);
    if (plain.endsWith(QLatin1Char('/')))
        plain.chop(1);
    return plain;
}
} // namespace

TfrmAbout::TfrmAbout(QWidget *owner)
    : FixedDialog(owner, QSize(630, 352)), ui(std::make_unique<Ui::TfrmAbout>())
{
    ui->setupUi(this);

    const QFont calibri = fontOfHeight(QStringLiteral("Calibri"), 19);
    for (QLabel *label :
         std::initializer_list<QLabel *>{ui->Label1, ui->Label4, ui->Label5, ui->Label6, ui->Label8})
        label->setFont(calibri);
    QFont link = calibri;
    link.setUnderline(true);
    ui->Label5->setFont(link);
    // A light link blue: pure blue cannot be read on the dark face.
    QPalette linkColour = ui->Label5->palette();
    linkColour.setColor(QPalette::WindowText, QColor(0x8A, 0xB4, 0xF8));
    ui->Label5->setPalette(linkColour);
    ui->Label5->setText(plainAddress(QString::fromLatin1(BRACKWELL_WEB_PAGE)));

    ui->Image1->setPixmap(QIcon(QStringLiteral(":/images/brackwell.svg")).pixmap(128, 128));

    ui->btnDonate->setFont(fontOfHeight(QStringLiteral("Calibri Light"), 19));
    ui->btnDonate->setImage(ImageList2(0), ImageLists::List2Size, 3);
    ui->btnClose->setFont(fontOfHeight(QStringLiteral("Calibri Light"), 16));
    ui->btnClose->setImage(ImageList1(0), ImageLists::List1Size, 3);

    connect(ui->btnDonate, &QPushButton::clicked, this, command(this, &TfrmAbout::btnDonateClick));
    connect(ui->Label5, &ClickableLabel::clicked, this, command(this, &TfrmAbout::Label5Click));
    connect(ui->btnClose, &QPushButton::clicked, this, command(this, &TfrmAbout::btnCloseClick));
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::btnDonateClick()
{
    WebLinks::openWebPage(QString::fromLatin1(BRACKWELL_DONATE_PAGE));
}

void TfrmAbout::Label5Click()
{
    WebLinks::openWebPage(QString::fromLatin1(BRACKWELL_WEB_PAGE));
}

void TfrmAbout::btnCloseClick()
{
    close();
}
