#include "ui/aboutform.h"

#include "ui/appicon.h"
#include "ui/dialogfont.h"
#include "ui/frameplacement.h"
#include "ui/linklabel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace gaugeloft {

namespace {

const QColor kLinkColour(0x00, 0x66, 0xCC);
const QString kMakerAddress = QStringLiteral("https://marrowind.example/");
const QString kLicenceAddress = QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html");

QLabel* MakeLabel(QWidget* parent, const char* name, const QPoint& place)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->move(place);
    return label;
}

} // namespace

QString TAboutForm::LegalText(const QString& legalCopyright)
{
    return legalCopyright.toHtmlEscaped() + QStringLiteral("<br>Some rights reserved. ")
           + QStringLiteral("<a href=\"%1\">%1</a>").arg(kMakerAddress)
           + QStringLiteral("<br><br>Free software under the <a href=\"%1\">GNU GPL, version 3 or later</a>.")
                 .arg(kLicenceAddress)
           + QStringLiteral("<br><br>Thank you for using Gaugeloft.");
}

TAboutForm::TAboutForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About"));
    setFont(LayoutFont());
    setFixedSize(kClientWidth, kClientHeight);
    OpenLink = [](const QString& uri) { QDesktopServices::openUrl(QUrl(uri)); };

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(0, 0, kClientWidth, 173);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Base);

    QLabel* icon = MakeLabel(panel, "Image1", QPoint(8, 12));
    icon->setFixedSize(32, 32);
    icon->setPixmap(GaugeloftIcon().pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Gaugeloft"));

    QLabel* title = MakeLabel(panel, "Label1", QPoint(48, 10));
    title->setFixedWidth(241);
    QFont titleFont = LayoutFont();
    titleFont.setPointSize(12);
    title->setFont(titleFont);
    title->setTextFormat(Qt::PlainText);

    QLabel* build = MakeLabel(panel, "Label2", QPoint(50, 32));
    build->setFixedWidth(230);
    build->setTextFormat(Qt::PlainText);

    auto* rule = new QFrame(panel);
    rule->setObjectName(QStringLiteral("Bevel1"));
    rule->setGeometry(4, 56, 285, 1);
    rule->setAutoFillBackground(true);
    rule->setBackgroundRole(QPalette::Mid);

    m_legal = new TLinkLabel(panel);
    m_legal->setObjectName(QStringLiteral("LinkLabel1"));
    m_legal->SetLockWidth(true);  // before anything sizes it: only its height follows the text
    m_legal->SetWordWrap(true);
    m_legal->setGeometry(10, 68, 275, 20);
    m_legal->SetShowAccelChar(false);
    m_legal->SetLinkColor(kLinkColour);
    m_legal->SetUnderlineLinks(true);
    connect(m_legal, &TLinkLabel::OnLinkClick, this, [this](const QString& uri) {
        if (OpenLink)
            OpenLink(uri);
    });

    QLabel* updatePicture = MakeLabel(this, "Image2", QPoint(8, 184));
    updatePicture->setFixedSize(16, 16);
    updatePicture->setPixmap(GaugeloftIcon().pixmap(16, 16));
    auto* check = new TLinkLabel(this);
    check->setObjectName(QStringLiteral("LinkLabel2"));
    check->move(28, 184);
    check->SetLinkColor(kLinkColour);
    check->SetUnderlineLinks(false);
    check->SetShowAccelChar(true);
    check->SetCaption(QStringLiteral("<a href=#>Check For &Updates...</a>"));
    // after the click has ended: the check may keep the event loop busy for a while
    connect(check, &TLinkLabel::OnLinkClick, this, &TAboutForm::checkForUpdatesRequested, Qt::QueuedConnection);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(208, 180, 77, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

void TAboutForm::Fill(const QString& title, const QString& fileVersion, const QString& legalCopyright)
{
    findChild<QLabel*>(QStringLiteral("Label1"))->setText(title);
    findChild<QLabel*>(QStringLiteral("Label2"))->setText(QStringLiteral("Build %1").arg(fileVersion));
    m_legal->SetCaption(LegalText(legalCopyright));
    m_legal->AdjustBounds();
}

void TAboutForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QWidget* owner = parentWidget();
    PlaceFrame(this, [this, owner] {
        const QRect outer = frameGeometry();
        QRect area;
        if (owner && owner->isVisible())
            area = owner->window()->frameGeometry();
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
        return QPoint(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
    });
}

} // namespace gaugeloft
