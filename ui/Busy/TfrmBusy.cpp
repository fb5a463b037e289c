#include "TfrmBusy.h"

#include "shell/CommandBoundary.h"
#include "ui_TfrmBusy.h"

#include "shell/ExclusiveWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QIcon>
#include <QWindow>

using CommandBoundary::command;

TfrmBusy *frmBusy = nullptr;

TfrmBusy::TfrmBusy(QWidget *owner) : FixedDialog(owner, QSize(312, 161)), ui(std::make_unique<Ui::TfrmBusy>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QFont labelFont(QStringLiteral("Calibri Light"));
    labelFont.setPixelSize(21);
    // The lines keep the style's text colour: black would be lost on the dark face.
    for (QLabel *label : {ui->Label1, ui->Label2})
        label->setFont(labelFont);
    ImageList4.reserve(FrameCount);
    for (int i = 0; i < FrameCount; ++i)
        ImageList4.append(
            QIcon(QStringLiteral(":/busy/frame%1.svg").arg(i, 2, 10, QLatin1Char('0'))).pixmap(48, 48));
    ui->imgAnimate->setPixmap(QIcon(QStringLiteral(":/busy/logo.svg")).pixmap(48, 48));
    tmrLogoAnimate.setInterval(FrameIntervalMs);
    connect(&tmrLogoAnimate, &QTimer::timeout, this, command(this, &TfrmBusy::tmrLogoAnimateTimer));
    // While a load waits for its worker, this window alone keeps working: it animates, and the
    // user can close it to stop the load.
    ExclusiveWait::setDeliveredDuringWaits(
        [](const QObject *object) { return frmBusy && frmBusy->receivesDuringWaits(object); });
}

TfrmBusy::~TfrmBusy() = default;

void TfrmBusy::setTexts(const QString &caption, const QString &label1, const QString &label2)
{
    setWindowTitle(caption);
    ui->Label1->setText(label1);
    ui->Label2->setText(label2);
}

QString TfrmBusy::label1Text() const
{
    return ui->Label1->text();
}

QString TfrmBusy::label2Text() const
{
    return ui->Label2->text();
}

void TfrmBusy::showWithoutBlocking()
{
    setModal(false);
    show();
}

void TfrmBusy::showModally()
{
    if (!isVisible()) {
        exec();
        return;
    }
    // Already up: make it modal in place and wait for it to close.
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    hide();
    show(); // modality applies to a window as it is shown
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    setWindowModality(Qt::NonModal);
}

void TfrmBusy::closeBusy()
{
    if (isVisible())
        done(QDialog::Rejected);
}

void TfrmBusy::closeIfShowing()
{
    if (isShowing())
        closeBusy();
}

void TfrmBusy::showEvent(QShowEvent *event)
{
    FixedDialog::showEvent(event);
    m_logoAnimateCount = 0;
    tmrLogoAnimate.start();
}

void TfrmBusy::hideEvent(QHideEvent *event)
{
    tmrLogoAnimate.stop();
    FixedDialog::hideEvent(event);
    // Closed by the user (close box or Esc) while a load waits: the user chose to stop it.
    if (ExclusiveWait::isRunning())
        ExclusiveWait::cancel();
}

bool TfrmBusy::receivesDuringWaits(const QObject *object) const
{
    if (object == this || object == &tmrLogoAnimate || object == windowHandle())
        return true;
    const QWidget *widget = qobject_cast<const QWidget *>(object);
    return widget && isAncestorOf(widget);
}

void TfrmBusy::tmrLogoAnimateTimer()
{
    QCoreApplication::processEvents();
    if (!tmrLogoAnimate.isActive())
        return; // closed while events were processed
    if (m_logoAnimateCount >= 0 && m_logoAnimateCount < ImageList4.size())
        ui->imgAnimate->setPixmap(ImageList4.at(m_logoAnimateCount));
    ++m_logoAnimateCount;
    if (m_logoAnimateCount > FrameCount - 1)
        m_logoAnimateCount = 0;
    QCoreApplication::processEvents();
}
