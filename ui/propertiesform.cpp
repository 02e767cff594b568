#include "ui/propertiesform.h"

#include "ui/dialogfont.h"
#include "ui/frameplacement.h"

#include "ui/appicon.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace gaugeloft {

namespace {

constexpr QSize kClientSize {307, 331};
// The rows fit the client area with the 8-point layout font.
constexpr int kCompactSpacing = 4;
constexpr int kMargin = 8;
constexpr int kTopOffset = 70;  // below the parent's caption and menu

// A label in the dim (placeholder) text colour of the current palette.
QLabel* DimLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLineEdit* ReadOnlyEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(name);
    return edit;
}

} // namespace

TPropertiesForm::TPropertiesForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Properties"));
    setFont(LayoutFont());
    setModal(true);
    setSizeGripEnabled(false);

    // heading: picture and the tile's title
    m_picture = new QLabel(this);
    m_picture->setFixedSize(32, 32);
    m_picture->setPixmap(GaugeloftIcon().pixmap(QSize(32, 32), devicePixelRatioF()));

    m_heading = new QLabel(this);
    m_heading->setTextFormat(Qt::PlainText);
    QFont headingFont = font();
    if (headingFont.pointSizeF() > 0)
        headingFont.setPointSizeF(headingFont.pointSizeF() + 4);
    else
        headingFont.setPixelSize(headingFont.pixelSize() + 5);  // about 4 points at 96 dpi
    m_heading->setFont(headingFont);
    // a long title is cut off instead of widening the dialog
    m_heading->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    // sensor path and tile number
    auto* pathLabel = new QLabel(tr("Sensor Path:"), this);
    m_path = ReadOnlyEdit(tr("Sensor Path"), this);
    pathLabel->setBuddy(m_path);
    auto* idLabel = new QLabel(tr("ID:"), this);
    m_id = ReadOnlyEdit(tr("ID"), this);
    idLabel->setBuddy(m_id);

    // display types: Text, Progress, Min-Max on the left; the charts on the right
    auto* types = new QGroupBox(tr("Display Type"), this);
    types->setAccessibleName(tr("Display Type"));
    static const char* const kTypeTexts[7] = {
        QT_TR_NOOP("&Text"), QT_TR_NOOP("&Progress"), QT_TR_NOOP("&Min-Max"), QT_TR_NOOP("C&hart"),
        QT_TR_NOOP("Pi&e"), QT_TR_NOOP("&Bar"), QT_TR_NOOP("M&ulti-Bars"),
    };
    auto* typeGrid = new QGridLayout(types);
    typeGrid->setVerticalSpacing(kCompactSpacing);
    for (int i = 0; i < 7; ++i) {
        const QString text = tr(kTypeTexts[i]);
        m_types[i] = new QRadioButton(text, types);
        m_types[i]->setAccessibleName(QString(text).remove(QLatin1Char('&')));
        if (i < 3)
            typeGrid->addWidget(m_types[i], i, 0);
        else
            typeGrid->addWidget(m_types[i], i - 3, 1);
    }
    m_types[0]->setChecked(true);
    QLabel* peersLabel = DimLabel(tr("Show Sensor Peers:"), types);
    peersLabel->setBuddy(m_types[6]);
    typeGrid->addWidget(peersLabel, 3, 0);

    // subtitle: a custom name, or empty for the parent device's name
    auto* nameLabel = new QLabel(tr("Parent Device Name:"), this);
    m_name = new QLineEdit(this);
    m_name->setAccessibleName(tr("Parent Device Name"));
    nameLabel->setBuddy(m_name);
    m_clear = new QToolButton(this);
    const QIcon clearIcon = QIcon::fromTheme(QStringLiteral("edit-clear"));
    if (clearIcon.isNull())
        m_clear->setText(QStringLiteral("\u00D7"));
    else
        m_clear->setIcon(clearIcon);
    m_clear->setToolTip(tr("Clear"));
    m_clear->setAccessibleName(tr("Clear"));
    m_clear->setFocusPolicy(Qt::TabFocus);
    connect(m_clear, &QToolButton::clicked, this, &TPropertiesForm::SpeedButton1Click);
    QLabel* hint = DimLabel(tr("(type custom name or clear to use defaults)"), this);

    // OK and Cancel
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    m_ok->setAccessibleName(tr("OK"));
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setAccessibleName(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_picture);
    top->addWidget(m_heading, 1);

    auto* info = new QGridLayout;
    info->addWidget(pathLabel, 0, 0);
    info->addWidget(m_path, 0, 1);
    info->addWidget(idLabel, 1, 0);
    info->addWidget(m_id, 1, 1);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_clear);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(kCompactSpacing);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(info);
    layout->addWidget(types);
    layout->addWidget(nameLabel);
    layout->addLayout(nameRow);
    layout->addWidget(hint);
    layout->addStretch(1);
    layout->addWidget(buttons);

    // the keyboard order is the creation order: top to bottom
    layout->activate();
    setFixedSize(sizeHint().expandedTo(kClientSize));
}

QLabel* TPropertiesForm::Label1() const { return m_heading; }
QLineEdit* TPropertiesForm::Edit1() const { return m_name; }
QLineEdit* TPropertiesForm::Edit2() const { return m_path; }
QLineEdit* TPropertiesForm::Edit3() const { return m_id; }
QToolButton* TPropertiesForm::SpeedButton1() const { return m_clear; }
QPushButton* TPropertiesForm::OkButton() const { return m_ok; }

QRadioButton* TPropertiesForm::RadioButton(int number) const
{
    return number >= 1 && number <= 7 ? m_types[number - 1] : nullptr;
}

void TPropertiesForm::Fill(const TSensorFrame& tile)
{
    m_heading->setText(tile.Title.Text);
    m_name->setText(tile.Subtitle.Text);
    m_path->setText(tile.SensorId);
    m_path->setCursorPosition(0);
    m_id->setText(QLatin1Char('#') + QString::number(tile.TileNumber));

    m_types[0]->setChecked(true);
    if (tile.DisplayType <= dtMultiBars)
        m_types[tile.DisplayType]->setChecked(true);

    // several bars need peers: sensors named like "... #n"
    m_types[6]->setEnabled(tile.PeerMark != 0);
    if (!m_types[6]->isEnabled() && m_types[6]->isChecked())
        m_types[5]->setChecked(true);
}

void TPropertiesForm::Apply(TSensorFrame& tile) const
{
    tile.SetCustomName(m_name->text());

    std::uint8_t type = dtText;
    for (int i = 6; i >= 1; --i) {
        if (m_types[i]->isChecked()) {
            type = std::uint8_t(i);
            break;
        }
    }
    tile.SetDisplayType(type);
}

void TPropertiesForm::SpeedButton1Click()
{
    m_name->clear();
    m_name->setFocus();
}

void TPropertiesForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (QWidget* owner = parentWidget()) {
        PlaceFrame(this, [this, owner] {
            const QRect outer = owner->window()->frameGeometry();
            return QPoint(outer.left() + (outer.width() - frameGeometry().width()) / 2, outer.top() + kTopOffset);
        });
    }
    m_name->setFocus();
}

} // namespace gaugeloft
