#include "ui/askconfirmationform.h"

#include "ui/appicon.h"
#include "ui/dialogfont.h"
#include "ui/frameplacement.h"
#include "ui/linklabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace gaugeloft {

namespace {

const QColor kLinkColour(0xFF, 0x80, 0x00);
constexpr int kTextLeft = 56;
constexpr int kTextWidth = 349;
constexpr int kTurnOffRoom = 32;     // what the turn-off box adds below the buttons
constexpr int kSmallestHeader = 54;  // a header whose text ends above 42 pixels

// The details toggle icon: a click on it opens or closes the details.
class ToggleIconLabel : public QLabel {
public:
    ToggleIconLabel(QWidget* parent, std::function<void()> click)
        : QLabel(parent)
        , m_click(std::move(click))
    {
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_click();
    }

private:
    std::function<void()> m_click;
};

TLinkLabel* MakeLinkLabel(QWidget* parent, const char* name)
{
    auto* label = new TLinkLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->SetLinkColor(kLinkColour);
    return label;
}

// Everything the client's growth moves: what sits below the header.
constexpr const char* kBelowHeader[] = {"Panel2", "Bevel1", "Image2", "CheckBox1", "LinkLabel3", "Button1",
    "Button2"};

} // namespace

QPixmap TAskConfirmationForm::ToggleIcon(int index)
{
    // a round button with a chevron: pointing down while closed, up while open
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    p.setBrush(QColor(0xF4, 0xF4, 0xF4));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QPainterPath chevron;
    if (index == 0) {
        chevron.moveTo(4.5, 6.5);
        chevron.lineTo(8, 10);
        chevron.lineTo(11.5, 6.5);
    } else {
        chevron.moveTo(4.5, 9.5);
        chevron.lineTo(8, 6);
        chevron.lineTo(11.5, 9.5);
    }
    p.setPen(QPen(kLinkColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chevron);
    return picture;
}

TAskConfirmationForm::TAskConfirmationForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                         | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("AskConfirmationForm"));
    setWindowTitle(QApplication::applicationName());
    setFont(LayoutFont());
    setFixedSize(kClientWidth, kClientHeight);
    OpenLink = [](const QString& uri) { QDesktopServices::openUrl(QUrl(uri)); };
    QuestionBeep = [] { QApplication::beep(); };

    m_header = new QFrame(this);
    m_header->setObjectName(QStringLiteral("Panel1"));
    m_header->setGeometry(0, 0, kClientWidth, 78);
    m_header->setAutoFillBackground(true);
    m_header->setBackgroundRole(QPalette::Base);
    m_rule = new QFrame(this);
    m_rule->setObjectName(QStringLiteral("Panel2"));
    m_rule->setGeometry(0, 77, kClientWidth, 1);
    m_rule->setAutoFillBackground(true);
    m_rule->setBackgroundRole(QPalette::Mid);

    auto* icon = new QLabel(m_header);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setGeometry(12, 11, 32, 32);
    icon->setPixmap(GaugeloftIcon().pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Gaugeloft"));

    const auto click = [this](const QString& uri) { LinkClick(uri); };
    m_text = MakeLinkLabel(m_header, "LinkLabel1");
    m_text->SetLockWidth(true);  // before anything sizes it: only its height follows the text
    m_text->SetWordWrap(true);
    m_text->setGeometry(kTextLeft, 11, kTextWidth, 13);
    m_text->SetShowAccelChar(false);
    connect(m_text, &TLinkLabel::OnLinkClick, this, click);
    m_details = MakeLinkLabel(m_header, "LinkLabel2");
    m_details->SetLockWidth(true);
    m_details->SetWordWrap(true);
    m_details->setGeometry(kTextLeft, 30, kTextWidth, 13);
    m_details->SetShowAccelChar(false);
    m_details->hide();
    connect(m_details, &TLinkLabel::OnLinkClick, this, click);

    m_toggleIcon = new ToggleIconLabel(this, [this] { Image2Click(); });
    m_toggleIcon->setObjectName(QStringLiteral("Image2"));
    m_toggleIcon->setGeometry(12, 93, 16, 16);
    m_toggleIcon->setCursor(Qt::PointingHandCursor);
    m_toggleIcon->setPixmap(ToggleIcon(0));
    m_toggleIcon->setAccessibleName(QStringLiteral("Details"));
    m_toggle = MakeLinkLabel(this, "LinkLabel3");
    m_toggle->move(32, 94);
    m_toggle->SetUnderlineLinks(false);
    m_toggle->SetShowAccelChar(true);
    connect(m_toggle, &TLinkLabel::OnLinkClick, this, click);
    SetToggleLink(QStringLiteral("Mor&e"));

    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button1"));
    m_cancel->setGeometry(224, 89, 89, 25);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_install = new QPushButton(QStringLiteral("&Install"), this);
    m_install->setObjectName(QStringLiteral("Button2"));
    m_install->setGeometry(320, 89, 85, 25);
    m_install->setDefault(true);
    connect(m_install, &QPushButton::clicked, this, &QDialog::accept);
    m_installCaption = m_install->text();
    if (const qsizetype dots = m_installCaption.indexOf(QLatin1String("...")); dots >= 0)
        m_installCaption.remove(dots, 3);

    m_bevel = new QFrame(this);
    m_bevel->setObjectName(QStringLiteral("Bevel1"));
    m_bevel->setGeometry(0, 123, kClientWidth, 2);
    m_bevel->setFrameShape(QFrame::HLine);
    m_bevel->setFrameShadow(QFrame::Sunken);
    m_bevel->hide();
    m_turnOff = new QCheckBox(QStringLiteral("Do &not ask me again, please"), this);
    m_turnOff->setObjectName(QStringLiteral("CheckBox1"));
    m_turnOff->setGeometry(12, 132, 193, 17);
    m_turnOff->hide();

    m_countdownTimer = new QTimer(this);
    m_countdownTimer->setObjectName(QStringLiteral("Timer1"));
    m_countdownTimer->setInterval(1000);
    connect(m_countdownTimer, &QTimer::timeout, this, &TAskConfirmationForm::Timer1Timer);

    setTabOrder(m_install, m_cancel);
    m_install->setFocus();
}

void TAskConfirmationForm::SetTurnOffBox(bool ticked)
{
    m_turnOff->setChecked(ticked);
}

void TAskConfirmationForm::SetTurnOffOffered(bool offered)
{
    m_offered = offered;
}

void TAskConfirmationForm::SetAutoContinue(bool enabled, int delayMs)
{
    m_countdownTimer->stop();
    if (enabled)
        m_countdownTimer->start();
    m_countdown = std::max(delayMs / 1000, 1);
}

void TAskConfirmationForm::SetDetails(const QString& text)
{
    m_detailsText = text.isEmpty() ? QString() : QStringLiteral("<b>Details:</b><br> ") + text;
    m_details->SetCaption(m_detailsText);
    m_details->AdjustBounds();
}

void TAskConfirmationForm::SetInstallCaption(const QString& text)
{
    m_install->setText(text);
    m_installCaption = text;
}

int TAskConfirmationForm::Ask(const QString& caption, const QString& text, bool sound)
{
    if (sound && QuestionBeep)
        QuestionBeep();
    Prepare(caption, text);
    return exec();
}

void TAskConfirmationForm::Prepare(const QString& caption, const QString& text)
{
    setWindowTitle(caption);
    m_text->SetCaption(text);
    m_text->AdjustBounds();

    const int y = m_text->y() + m_text->height() + 6;
    int h = y;
    if (DetailsVisible() && !m_detailsText.isEmpty())
        h = y + DetailsHeight() + 6;
    const int header = h < 42 ? kSmallestHeader : h + 12;
    if (header != m_header->height())
        StretchHeader(header - m_header->height());
    m_details->move(kTextLeft, y);
}

bool TAskConfirmationForm::TurnedOff() const
{
    return m_turnOff->isChecked() && !m_turnOff->isHidden();
}

bool TAskConfirmationForm::DetailsVisible() const
{
    return !m_details->isHidden();
}

void TAskConfirmationForm::showEvent(QShowEvent* event)
{
    m_install->setText(m_installCaption);
    const bool toggle = m_offered || !m_detailsText.isEmpty();
    m_toggleIcon->setVisible(toggle);
    m_toggle->setVisible(toggle);
    QDialog::showEvent(event);
    PlaceFrame(this, [this] {
        const QRect outer = frameGeometry();
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        return QPoint(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
    });
}

void TAskConfirmationForm::Timer1Timer()
{
    --m_countdown;
    m_install->setText(QStringLiteral("%1 (%2)").arg(m_installCaption).arg(m_countdown));
    if (m_countdown <= 0) {
        m_countdownTimer->stop();
        m_install->click();
    }
}

void TAskConfirmationForm::Image2Click()
{
    const bool open = !DetailsVisible();
    if (open) {
        m_toggleIcon->setPixmap(ToggleIcon(1));
        if (m_offered) {
            GrowBottom(kTurnOffRoom);
            m_bevel->show();
            m_turnOff->show();
        }
        if (!m_detailsText.isEmpty())
            StretchHeader(DetailsHeight() + 6);
        SetToggleLink(QStringLiteral("L&ess"));
    } else {
        m_toggleIcon->setPixmap(ToggleIcon(0));
        if (!m_detailsText.isEmpty())
            StretchHeader(-(DetailsHeight() + 6));
        if (m_offered) {
            m_bevel->hide();
            m_turnOff->hide();
            GrowBottom(-kTurnOffRoom);
        }
        SetToggleLink(QStringLiteral("Mor&e"));
    }
    m_details->setVisible(open);
    // a user who looks at the details decides alone: the countdown ends for good
    if (m_countdownTimer->isActive()) {
        m_countdownTimer->stop();
        m_install->setText(m_installCaption);
    }
}

void TAskConfirmationForm::LinkClick(const QString& uri)
{
    if (uri.left(4).compare(QLatin1String("http"), Qt::CaseInsensitive) == 0) {
        if (OpenLink)
            OpenLink(uri);
    } else if (uri.compare(QLatin1String("#details"), Qt::CaseInsensitive) == 0) {
        Image2Click();
    }
}

void TAskConfirmationForm::SetToggleLink(const QString& word)
{
    m_toggle->SetCaption(QStringLiteral("<a href=#details>%1 Details</a>").arg(word));
    m_toggle->AdjustBounds();
}

void TAskConfirmationForm::StretchHeader(int delta)
{
    m_header->resize(m_header->width(), m_header->height() + delta);
    for (const char* name : kBelowHeader) {
        if (auto* widget = findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly))
            widget->move(widget->x(), widget->y() + delta);
    }
    GrowBottom(delta);
}

void TAskConfirmationForm::GrowBottom(int delta)
{
    setFixedSize(width(), height() + delta);
}

int TAskConfirmationForm::DetailsHeight() const
{
    return m_details->height();
}

} // namespace gaugeloft
