#include "ui/optionsform.h"

#include "ui/dialogfont.h"
#include "ui/frameplacement.h"

#include "platform/autostart.h"
#include "sensors/providertable.h"
#include "sources/remoteaddress.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>

namespace gaugeloft {

namespace {

const QString kHideInTaskbar = QStringLiteral("Hide in Taskbar");
const QString kHideReminder = QStringLiteral("Hide Reminder");  // 1: the balloon is shown
const QString kDoWebUpdate = QStringLiteral("Do Web Update");
const QString kRefresher = QStringLiteral("WMI refresher");
const QString kKeepInSysTray = QStringLiteral("Keep in SysTray");
const QString kShowFahrenheit = QStringLiteral("Show Fahrenheit");
const QString kProvider = QStringLiteral("WMI Provider");
const QString kPerformance = QStringLiteral("Performance FPS");

// "Provider Address #1", "Provider Address #2": one text per remote provider.
QString AddressValueName(int provider)
{
    return QStringLiteral("Provider Address #%1").arg(provider);
}

QString DefaultAddress(int provider)
{
    return QString::fromLatin1(kProviders[provider].defaultAddress);
}

constexpr int kParentTopOffset = 50;
constexpr int kNoteChars = 52;  // width of the wrapped notes, in average characters

QLabel* Note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setFixedWidth(label->fontMetrics().averageCharWidth() * kNoteChars);
    return label;
}

} // namespace

TOptionsForm::TOptionsForm(platform::SettingsStore& store, QString executablePath, QWidget* parent)
    : QDialog(parent), m_store(store), m_executable(std::move(executablePath))
{
    setWindowTitle(tr("Options"));
    setFont(LayoutFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    m_tabs = new QTabWidget(this);

    // General
    auto* general = new QWidget(m_tabs);
    m_themeGroup = new QGroupBox(tr("Color Theme"), general);
    m_autoTheme = new QCheckBox(tr("&Switch automatically (theme follows the Sun)"), m_themeGroup);
    m_dark = new QRadioButton(tr("&Dark"), m_themeGroup);
    m_gray = new QRadioButton(tr("&Gray"), m_themeGroup);
    m_light = new QRadioButton(tr("&Light"), m_themeGroup);
    m_dark->setChecked(true);
    auto* themeLayout = new QVBoxLayout(m_themeGroup);
    themeLayout->addWidget(m_autoTheme);
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_dark);
    radios->addWidget(m_gray);
    radios->addWidget(m_light);
    radios->addStretch();
    themeLayout->addLayout(radios);

    auto* appGroup = new QGroupBox(tr("Application"), general);
    // Manages the XDG autostart entry.
    m_autostart = new QCheckBox(tr("Load Dashboard application at log&in"), appGroup);
    m_taskbar = new QCheckBox(tr("Do not show in &Taskbar active applications"), appGroup);
    m_reminder = new QCheckBox(tr("Show a reminder &Balloon Tip when minimized"), appGroup);
    m_keepInTray = new QCheckBox(tr("Keep &Running in background in System tray"), appGroup);
    m_fahrenheit = new QCheckBox(tr("Show temperature readings in &Fahrenheit"), appGroup);
    m_webUpdate = new QCheckBox(tr("Check for application Web &Updates on launch"), appGroup);
    auto* appLayout = new QVBoxLayout(appGroup);
    for (QCheckBox* box : {m_autostart, m_taskbar, m_reminder, m_keepInTray, m_fahrenheit, m_webUpdate})
        appLayout->addWidget(box);

    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(m_themeGroup);
    generalLayout->addWidget(appGroup);
    generalLayout->addStretch();
    m_tabs->addTab(general, tr("General"));

    // Advanced
    auto* advanced = new QWidget(m_tabs);
    auto* providerGroup = new QGroupBox(tr("Monitoring Provider"), advanced);
    auto* providerLabel = new QLabel(tr("&Provider:"), providerGroup);
    m_provider = new QComboBox(providerGroup);
    for (const ProviderInfo& provider : kProviders)
        m_provider->addItem(QString::fromUtf8(provider.listText));
    m_provider->setCurrentIndex(0);
    m_provider->setAccessibleName(tr("Monitoring Provider"));
    providerLabel->setBuddy(m_provider);
    m_webPage = new QPushButton(tr("Web Page..."), providerGroup);
    m_webPage->setAutoDefault(false);
    m_webPage->setAccessibleName(tr("Provider Web Page"));
    auto* providerRow = new QHBoxLayout;
    providerRow->addWidget(providerLabel);
    providerRow->addWidget(m_provider, 1);
    providerRow->addWidget(m_webPage);
    auto* addressLabel = new QLabel(tr("A&ddress:"), providerGroup);
    m_address = new QLineEdit(providerGroup);
    m_address->setAccessibleName(tr("Provider Address"));
    m_address->setToolTip(tr("Where the remote provider answers, such as http://localhost:8085/"));
    addressLabel->setBuddy(m_address);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(addressLabel);
    addressRow->addWidget(m_address, 1);
    auto* providerLayout = new QVBoxLayout(providerGroup);
    providerLayout->addLayout(providerRow);
    providerLayout->addLayout(addressRow);
    providerLayout->addWidget(Note(
        tr("The provider tool must be running in background to allow data pulling into this "
           "application."),
        providerGroup));

    auto* experimentalGroup = new QGroupBox(tr("Experimental"), advanced);
    m_refresher = new QCheckBox(tr("Use the &refresher interface for data caching"), experimentalGroup);
    auto* experimentalLayout = new QVBoxLayout(experimentalGroup);
    experimentalLayout->addWidget(m_refresher);
    experimentalLayout->addWidget(Note(
        tr("Please use with caution as this is an experimental feature and it might not work "
           "properly for you."),
        experimentalGroup));

    auto* performanceGroup = new QGroupBox(tr("UI Performance"), advanced);
    auto* rateLabel = new QLabel(tr("&Animations per second:"), performanceGroup);
    m_rate = new QComboBox(performanceGroup);
    m_rate->addItems({tr("5 - Powersave (Slow)"), tr("10 - Balanced mode"), tr("25 - Smooth (Fast)")});
    m_rate->setCurrentIndex(2);
    m_rate->setAccessibleName(tr("Animations per second"));
    rateLabel->setBuddy(m_rate);
    auto* performanceLayout = new QHBoxLayout(performanceGroup);
    performanceLayout->addWidget(rateLabel);
    performanceLayout->addWidget(m_rate, 1);

    auto* advancedLayout = new QVBoxLayout(advanced);
    advancedLayout->addWidget(providerGroup);
    advancedLayout->addWidget(experimentalGroup);
    advancedLayout->addWidget(performanceGroup);
    advancedLayout->addStretch();
    m_tabs->addTab(advanced, tr("Advanced"));

    m_ok = new QPushButton(tr("&OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order follows the layout.
    QWidget* order[] = {m_tabs, m_autoTheme, m_dark, m_gray, m_light, m_autostart, m_taskbar,
                        m_reminder, m_keepInTray, m_fahrenheit, m_webUpdate, m_provider, m_webPage,
                        m_address, m_refresher, m_rate, m_ok, m_cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_autoTheme, &QCheckBox::toggled, this, [this] { ApplyAutoSwitch(); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_webPage, &QPushButton::clicked, this, [this] { WebPageClick(); });
    for (int i = 0; i < kProviderCount; ++i)
        m_addressTexts[std::size_t(i)] = DefaultAddress(i);
    ShowAddressOf(m_provider->currentIndex());
    connect(m_provider, &QComboBox::currentIndexChanged, this, [this](int index) { ShowAddressOf(index); });
    connect(m_address, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_addressShown >= 0)
            m_addressTexts[std::size_t(m_addressShown)] = text;
    });

    ConfirmProviderChange = [this](const QString& text, const QPoint& topLeft) {
        QMessageBox box(QMessageBox::Question, tr("Gaugeloft"), text,
                        QMessageBox::Ok | QMessageBox::Cancel, this);
        PlaceFrame(&box, [topLeft] { return topLeft; });
        return box.exec() == QMessageBox::Ok;
    };
    OpenUrl = [this](const QUrl& url) {
        if (!QDesktopServices::openUrl(url) && ShowError)
            ShowError(tr("The web page %1 could not be opened: the desktop has no web browser set up "
                         "to open it.").arg(url.toString()));
    };
    ShowError = [this](const QString& text) { QMessageBox::critical(this, tr("Gaugeloft"), text); };
}

QTabWidget* TOptionsForm::Tabs() const { return m_tabs; }
QGroupBox* TOptionsForm::ColorThemeGroup() const { return m_themeGroup; }
QCheckBox* TOptionsForm::AutoThemeBox() const { return m_autoTheme; }
QRadioButton* TOptionsForm::DarkRadio() const { return m_dark; }
QRadioButton* TOptionsForm::GrayRadio() const { return m_gray; }
QRadioButton* TOptionsForm::LightRadio() const { return m_light; }
QCheckBox* TOptionsForm::AutostartBox() const { return m_autostart; }
QCheckBox* TOptionsForm::TaskbarBox() const { return m_taskbar; }
QCheckBox* TOptionsForm::ReminderBox() const { return m_reminder; }
QCheckBox* TOptionsForm::KeepInTrayBox() const { return m_keepInTray; }
QCheckBox* TOptionsForm::FahrenheitBox() const { return m_fahrenheit; }
QCheckBox* TOptionsForm::WebUpdateBox() const { return m_webUpdate; }
QComboBox* TOptionsForm::ProviderList() const { return m_provider; }
QPushButton* TOptionsForm::WebPageButton() const { return m_webPage; }
QLineEdit* TOptionsForm::AddressBox() const { return m_address; }
QCheckBox* TOptionsForm::RefresherBox() const { return m_refresher; }
QComboBox* TOptionsForm::RateList() const { return m_rate; }
QPushButton* TOptionsForm::OkButton() const { return m_ok; }
QPushButton* TOptionsForm::CancelButton() const { return m_cancel; }

// A value of the wrong type counts as missing.
bool TOptionsForm::ReadFlag(const QString& name, bool missing) const
{
    try {
        const std::optional<std::uint32_t> value = m_store.ReadDWord(kSettingsKey, name);
        return value ? *value != 0 : missing;
    } catch (const platform::SettingsError&) {
        return missing;
    }
}

// A missing value (or one of the wrong type) selects `missing`; an out-of-range index leaves
// the list as it is.
void TOptionsForm::ReadIndex(const QString& name, QComboBox* list, int missing) const
{
    std::optional<std::uint32_t> value;
    try {
        value = m_store.ReadDWord(kSettingsKey, name);
    } catch (const platform::SettingsError&) {
        value.reset();
    }
    if (!value)
        list->setCurrentIndex(missing);
    else if (*value < static_cast<std::uint32_t>(list->count()))
        list->setCurrentIndex(static_cast<int>(*value));
}

void TOptionsForm::LoadSettings()
{
    m_autostart->setChecked(platform::AutostartEnabled(m_executable));
    if (m_store.KeyExists(kSettingsKey)) {
        m_taskbar->setChecked(ReadFlag(kHideInTaskbar, false));
        m_reminder->setChecked(ReadFlag(kHideReminder, true));
        m_webUpdate->setChecked(ReadFlag(kDoWebUpdate, true));
        m_refresher->setChecked(ReadFlag(kRefresher, false));
        m_keepInTray->setChecked(ReadFlag(kKeepInSysTray, true));
        m_fahrenheit->setChecked(ReadFlag(kShowFahrenheit, false));
        ReadIndex(kProvider, m_provider, 0);
        ReadIndex(kPerformance, m_rate, 2);
        ReadAddresses();
    }
    m_hideInTaskbar = m_taskbar->isChecked();
    m_showReminder = m_reminder->isChecked();
    m_filled = StoredValues();
    m_filledAddresses = m_addressTexts;
    ShowAddressOf(m_provider->currentIndex());
    if (!m_loadedOnce) {
        m_loadedOnce = true;
        StartupCheck = m_webUpdate->isChecked();
    }
}

std::array<TOptionsForm::StoredValue, TOptionsForm::kStoredValueCount> TOptionsForm::StoredValues() const
{
    const auto flag = [](const QCheckBox* box) { return box->isChecked() ? 1u : 0u; };
    return {{
        {kHideInTaskbar, flag(m_taskbar)},
        {kHideReminder, flag(m_reminder)},
        {kDoWebUpdate, flag(m_webUpdate)},
        {kRefresher, flag(m_refresher)},
        {kKeepInSysTray, flag(m_keepInTray)},
        {kShowFahrenheit, flag(m_fahrenheit)},
        {kProvider, static_cast<std::uint32_t>(m_provider->currentIndex())},
        {kPerformance, static_cast<std::uint32_t>(m_rate->currentIndex())},
    }};
}

bool TOptionsForm::Stored(const QString& name) const
{
    try {
        return m_store.ReadDWord(kSettingsKey, name).has_value();
    } catch (const platform::SettingsError&) {
        return false;  // of another type: rewritten as a number
    }
}

// Of the stored values only what the user changed since the dialog was filled, and what the
// store lacks, is written: another program's change made meanwhile to any other value stays.
void TOptionsForm::SaveSettings()
{
    QString error;
    if (!platform::SetAutostart(m_autostart->isChecked(), m_executable, &error)) {
        m_autostart->setChecked(platform::AutostartEnabled(m_executable));  // as it really is
        throw platform::SettingsError(QStringLiteral("Failed to set data for 'Gaugeloft'\n") + error);
    }
    const auto values = StoredValues();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i].value != m_filled[i].value || !Stored(values[i].name))
            m_store.WriteDWord(kSettingsKey, values[i].name, values[i].value);
        m_filled[i] = values[i];
    }
    for (int i = 0; i < kProviderCount; ++i) {
        const std::size_t slot = std::size_t(i);
        if (IsRemoteProvider(i) && (m_addressTexts[slot] != m_filledAddresses[slot] || !StoredAddress(i)))
            m_store.WriteString(kSettingsKey, AddressValueName(i), m_addressTexts[slot]);
        m_filledAddresses[slot] = m_addressTexts[slot];
    }
    m_hideInTaskbar = m_taskbar->isChecked();
    m_showReminder = m_reminder->isChecked();
}

int TOptionsForm::AnimationInterval() const
{
    int rate = 5;
    switch (m_rate->currentIndex()) {
    case 1: rate = 10; break;
    case 2: rate = 25; break;
    default: break;
    }
    return 1000 / rate;
}

bool TOptionsForm::HideInTaskbar() const { return m_hideInTaskbar; }
bool TOptionsForm::ShowReminder() const { return m_showReminder; }

void TOptionsForm::ApplyAutoSwitch()
{
    const bool manual = !m_autoTheme->isChecked();
    for (QRadioButton* radio : {m_dark, m_gray, m_light})
        radio->setEnabled(manual);
}

void TOptionsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())  // restored by the window system: nothing to refresh
        return;
    if (QWidget* owner = parentWidget()) {
        PlaceFrame(this, [this, owner] {
            const QRect frame = owner->window()->frameGeometry();
            return QPoint(frame.left() + (frame.width() - frameGeometry().width()) / 2,
                          frame.top() + kParentTopOffset);
        });
    }
    m_tabs->setCurrentIndex(0);
    LoadSettings();
    ApplyAutoSwitch();
    m_autoTheme->setFocus(Qt::OtherFocusReason);  // the first control of "Color Theme"
}

void TOptionsForm::done(int result)
{
    m_taskbar->setChecked(m_hideInTaskbar);
    m_reminder->setChecked(m_showReminder);
    if (result != QDialog::Accepted) {
        m_addressTexts = m_filledAddresses;
        ShowAddressOf(m_provider->currentIndex());
    }
    QDialog::done(result);
}

void TOptionsForm::OkClick()
{
    if (!CheckAddresses())
        return;
    if (m_provider->currentIndex() != CurrentProvider) {
        QApplication::beep();
        const QString text = tr("Changing Monitoring Provider requires full reload.\n"
                                "Unsaved Dashboard changes will be lost. Continue?");
        if (!ConfirmProviderChange(text, mapToGlobal(QPoint(-10, 100))))
            return;
    }
    try {
        SaveSettings();
    } catch (const platform::SettingsError& error) {
        ShowError(error.Message());
        return;
    }
    accept();
}

void TOptionsForm::WebPageClick()
{
    const int index = m_provider->currentIndex();
    if (index >= 0 && index < kProviderCount)
        OpenUrl(QUrl(QString::fromLatin1(kProviders[index].webPage)));
}

} // namespace gaugeloft

namespace gaugeloft {

QString TOptionsForm::ProviderAddress(int index) const
{
    if (!IsRemoteProvider(index))
        return {};
    return m_addressTexts[std::size_t(index)];
}

void TOptionsForm::ShowAddressOf(int index)
{
    const bool remote = IsRemoteProvider(index);
    m_addressShown = remote ? index : -1;
    m_address->setText(remote ? m_addressTexts[std::size_t(index)] : QString());
    m_address->setEnabled(remote);
}

// A missing value, or one of the wrong type, is the provider's default address.
void TOptionsForm::ReadAddresses()
{
    for (int i = 0; i < kProviderCount; ++i) {
        if (!IsRemoteProvider(i))
            continue;
        std::optional<QString> text;
        try {
            text = m_store.ReadString(kSettingsKey, AddressValueName(i));
        } catch (const platform::SettingsError&) {
            text.reset();
        }
        m_addressTexts[std::size_t(i)] = text && !text->trimmed().isEmpty() ? text->trimmed() : DefaultAddress(i);
    }
}

bool TOptionsForm::StoredAddress(int index) const
{
    try {
        return m_store.ReadString(kSettingsKey, AddressValueName(index)).has_value();
    } catch (const platform::SettingsError&) {
        return false;  // of another type: rewritten as text
    }
}

// Every remote provider's address must be one the program can ask; the first that is not is
// shown with the reason and nothing is saved.
bool TOptionsForm::CheckAddresses()
{
    for (int i = 0; i < kProviderCount; ++i) {
        if (!IsRemoteProvider(i))
            continue;
        const std::size_t slot = std::size_t(i);
        const sources::RemoteAddress address = sources::ParseRemoteAddress(m_addressTexts[slot]);
        if (address.problem.isEmpty()) {
            m_addressTexts[slot] = m_addressTexts[slot].trimmed();
            continue;
        }
        m_tabs->setCurrentIndex(1);
        if (m_provider->currentIndex() == i) {
            m_address->setFocus(Qt::OtherFocusReason);
            m_address->selectAll();
        }
        ShowError(tr("The address of %1 cannot be used.\n%2")
                      .arg(QString::fromUtf8(kProviders[i].listText), address.problem));
        return false;
    }
    ShowAddressOf(m_provider->currentIndex());
    return true;
}

} // namespace gaugeloft
