#include "ui/simplewebupdateform.h"

#include "ui/appicon.h"
#include "ui/askconfirmationform.h"
#include "ui/dialogfont.h"
#include "ui/frameplacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace gaugeloft {

namespace {

constexpr int kHeaderHeight = 93;
constexpr int kBarSteps = 10000;  // the bar's range; positions are scaled to it
const QColor kHeadingColour(0x00, 0x00, 0x80);
const QColor kBarBackground(0xFF, 0xFB, 0xF0);

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& place)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    return label;
}

} // namespace

TSimpleWebUpdateForm::TSimpleWebUpdateForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowContextHelpButtonHint)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("SimpleWebUpdateForm"));
    setWindowTitle(QStringLiteral("Web Update"));
    setFont(LayoutFont());
    setFixedSize(kClientWidth, kClientHeight);

    auto* header = new QFrame(this);  // Panel1
    header->setObjectName(QStringLiteral("Panel1"));
    header->setGeometry(0, 0, kClientWidth, kHeaderHeight);
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    auto* rule = new QFrame(this);  // Panel2: the line under the header
    rule->setObjectName(QStringLiteral("Panel2"));
    rule->setGeometry(0, kHeaderHeight - 1, kClientWidth, 1);
    rule->setAutoFillBackground(true);
    rule->setBackgroundRole(QPalette::Mid);

    QLabel* icon = MakeLabel(header, "Image1", QRect(12, 12, 32, 32));
    icon->setPixmap(GaugeloftIcon().pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Gaugeloft"));

    m_desc = MakeLabel(header, "lblDesc", QRect(56, 12, kClientWidth - 56 - 12, 24));
    QFont headingFont = LayoutFont();
    headingFont.setPointSize(kLayoutFontPoints + 3);
    m_desc->setFont(headingFont);
    m_desc->setTextFormat(Qt::PlainText);
    QPalette headingPalette = m_desc->palette();
    headingPalette.setColor(QPalette::WindowText, kHeadingColour);
    headingPalette.setColor(QPalette::Text, kHeadingColour);  // on the header's base colour
    m_desc->setPalette(headingPalette);

    m_name = MakeLabel(header, "lblName", QRect(56, 48, 281, 41));
    m_name->setWordWrap(true);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_bar = new QProgressBar(header);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setGeometry(56, 64, 281, 18);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    QPalette barPalette = m_bar->palette();
    barPalette.setColor(QPalette::Base, kBarBackground);
    barPalette.setColor(QPalette::Window, kBarBackground);
    m_bar->setPalette(barPalette);
    m_bar->setRange(0, 0);  // indeterminate until a transfer announces its length

    m_mark = MakeLabel(this, "Image2", QRect(12, 107, 16, 16));
    m_info = MakeLabel(this, "lblInfo", QRect(12, 108, 240, 16));
    m_info->setTextFormat(Qt::PlainText);

    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("Button1"));
    m_button->setGeometry(260, 104, 77, 25);
    connect(m_button, &QPushButton::clicked, this, &TSimpleWebUpdateForm::Button1Click);

    SetDoneMode(false);
    SetTransferActive(false);
    SetStatusText(QString());
}

TSimpleWebUpdateForm::~TSimpleWebUpdateForm()
{
    if (m_waiting)
        m_waiting->quit();
}

void TSimpleWebUpdateForm::ShowProgressWindow(const QString& heading)
{
    if (isVisible())
        return;
    SetDoneMode(false);
    m_position = 0;
    m_maximum = 0;
    m_bar->setRange(0, 0);
    m_info->clear();
    m_desc->setText(heading);
    m_rememberedActive = QApplication::activeWindow();
    // the main window and the window that was active take no input meanwhile (disabling them
    // would disable this window too: it is the main window's child)
    setWindowModality(Qt::ApplicationModal);
    show();
    repaint();
    m_shownByRun = true;
}

void TSimpleWebUpdateForm::HideProgressWindow()
{
    if (isVisible())
        hide();
    if (m_shownByRun) {
        setWindowModality(Qt::NonModal);
        m_shownByRun = false;
    }
    QApplication::processEvents();
    if (m_rememberedActive && m_rememberedActive->isVisible())
        m_rememberedActive->activateWindow();
    else if (m_owner && m_owner->isVisible())
        m_owner->activateWindow();
}

void TSimpleWebUpdateForm::SetDescription(const QString& heading)
{
    if (!isVisible())
        return;
    m_desc->setText(heading);
    m_desc->repaint();
}

void TSimpleWebUpdateForm::SetStatusText(const QString& text)
{
    m_bar->setVisible(text.isEmpty());
    m_name->setText(text);
}

void TSimpleWebUpdateForm::SetDoneMode(bool done)
{
    m_doneMode = done;
    m_closeRequested = false;
    m_button->setText(done ? QStringLiteral("&OK") : QStringLiteral("&Cancel"));
}

void TSimpleWebUpdateForm::SetTransferActive(bool active)
{
    m_mark->setVisible(active);
    // beside the mark while it shows: its left + its width + 6 px
    m_info->move(active ? m_mark->x() + m_mark->width() + 6 : m_mark->x(), 108);
}

bool TSimpleWebUpdateForm::TransferActive() const
{
    return !m_mark->isHidden();
}

void TSimpleWebUpdateForm::TransferBegun(qint64 expected)
{
    m_position = 0;
    m_maximum = expected & 0xFFFFFFFF;  // the bar's maximum keeps 32 bits
    m_bar->setRange(0, kBarSteps);
    m_bar->setValue(0);
    m_transferComplete = false;
    SetTransferActive(true);
}

void TSimpleWebUpdateForm::TransferProgress(qint64 count)
{
    if (m_maximum == 0)
        return;
    m_position = count;
    m_bar->setValue(static_cast<int>(std::min<qint64>(kBarSteps, count * kBarSteps / m_maximum)));
    m_info->setText(update::CompletedText(count, m_maximum));
}

void TSimpleWebUpdateForm::TransferEnded()
{
    if (m_position == m_maximum) {
        m_info->clear();
        m_transferComplete = true;
    }
    SetTransferActive(false);
}

void TSimpleWebUpdateForm::ResetProgress()
{
    m_position = 0;
    m_bar->setValue(0);
    m_info->clear();
    m_info->repaint();
    m_transferComplete = false;
}

void TSimpleWebUpdateForm::SetIndeterminate()
{
    m_bar->setRange(0, 0);
}

void TSimpleWebUpdateForm::WaitForClose()
{
    m_button->setText(QStringLiteral("&Close"));
    m_doneMode = true;
    m_closeRequested = false;
    if (!isVisible())
        return;
    QEventLoop loop;
    m_waiting = &loop;
    const QMetaObject::Connection quitting = connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    if (!m_closeRequested && isVisible())
        loop.exec();
    disconnect(quitting);
    m_waiting = nullptr;
}

void TSimpleWebUpdateForm::Beep(update::DialogSound)
{
    QApplication::beep();
}

void TSimpleWebUpdateForm::ShowFailure(const QString& text)
{
    QWidget* parent = m_owner && m_owner->isVisible() ? m_owner : nullptr;
    QMessageBox::critical(parent, QStringLiteral("Web Update"), text, QMessageBox::Ok);
}

update::ConfirmationAnswer TSimpleWebUpdateForm::Confirm(const update::ConfirmationRequest& request)
{
    TAskConfirmationForm form(isVisible() ? this : nullptr);
    form.SetTurnOffBox(request.TurnOffChecked);
    form.SetTurnOffOffered(request.TurnOffOffered);
    form.SetAutoContinue(request.AutoContinue, request.AutoDelay);
    form.SetDetails(request.Details);
    if (ConfirmationOpened)
        ConfirmationOpened(form);
    update::ConfirmationAnswer answer;
    answer.Install = form.Ask(request.Caption, request.Text, request.Sounds) == QDialog::Accepted;
    answer.TurnOffChecked = form.TurnedOff();
    return answer;
}

void TSimpleWebUpdateForm::RequestClose()
{
    m_closeRequested = true;
    if (m_waiting)
        m_waiting->quit();
}

void TSimpleWebUpdateForm::Button1Click()
{
    if (m_doneMode)
        RequestClose();
    else if (CancelTransfer)
        CancelTransfer();
}

void TSimpleWebUpdateForm::reject()
{
    // Esc: only the OK and Close buttons have the cancel role
    if (m_doneMode)
        RequestClose();
}

void TSimpleWebUpdateForm::closeEvent(QCloseEvent* event)
{
    if (TransferActive()) {
        event->ignore();  // the button cancels a transfer; closing does not
        return;
    }
    if (m_doneMode)
        RequestClose();
    event->accept();
    hide();
    if (m_waiting)
        m_waiting->quit();
}

void TSimpleWebUpdateForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // over the active window, else the owner, else the program's main window; else on the screen
    QWidget* over = m_rememberedActive && m_rememberedActive != this ? m_rememberedActive.data() : nullptr;
    if (!over || !over->isVisible())
        over = m_owner && m_owner->isVisible() ? m_owner : nullptr;
    PlaceFrame(this, [this, over] {
        const QRect outer = frameGeometry();
        QRect area;
        if (over)
            area = over->window()->frameGeometry();
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
        return QPoint(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
    });
}

} // namespace gaugeloft
