#pragma once

// The web update's question: install the newer version or not. A header with the icon and the
// markup text, release notes behind a details toggle, an optional "do not ask again" box,
// Cancel and Install, and a countdown that presses Install by itself. One form per question.

#include <QDialog>

#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace gaugeloft {

class TLinkLabel;

class TAskConfirmationForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 417;
    static constexpr int kClientHeight = 125;

    explicit TAskConfirmationForm(QWidget* owner = nullptr);

    void SetTurnOffBox(bool ticked);
    // An offered box shows only together with the opened details.
    void SetTurnOffOffered(bool offered);
    // Presses Install after delayMs / 1000 whole seconds (at least one); off when not enabled.
    void SetAutoContinue(bool enabled, int delayMs);
    void SetDetails(const QString& text);
    void SetInstallCaption(const QString& text);
    // Shows the question modally: QDialog::Accepted for Install, Rejected for Cancel.
    int Ask(const QString& caption, const QString& text, bool sound);
    // What Ask does before it shows the form: the texts, the header fitted to them.
    void Prepare(const QString& caption, const QString& text);

    bool TurnedOff() const;  // the box ticked and shown
    bool TurnOffOffered() const { return m_offered; }
    bool DetailsVisible() const;
    int Countdown() const { return m_countdown; }

    // Opens or closes the details (the toggle icon and the "#details" link do this).
    void Image2Click();

    // Opens an "http…" link (the desktop's browser; tests replace it).
    std::function<void(const QString& uri)> OpenLink;
    // The question sound of Ask.
    std::function<void()> QuestionBeep;

    // The toggle's two icons, closed (0) and open (1), drawn by the program.
    static QPixmap ToggleIcon(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Timer1Timer();
    void LinkClick(const QString& uri);
    void SetToggleLink(const QString& word);
    // The client grows by delta with the header stretching and what lies below it moving down.
    void StretchHeader(int delta);
    // The client grows by delta at the bottom; nothing moves.
    void GrowBottom(int delta);
    int DetailsHeight() const;

    QFrame* m_header = nullptr;     // Panel1
    QFrame* m_rule = nullptr;       // Panel2, the line under the header
    TLinkLabel* m_text = nullptr;   // LinkLabel1
    TLinkLabel* m_details = nullptr; // LinkLabel2
    QLabel* m_toggleIcon = nullptr; // Image2
    TLinkLabel* m_toggle = nullptr; // LinkLabel3
    QPushButton* m_cancel = nullptr;  // Button1
    QPushButton* m_install = nullptr; // Button2
    QFrame* m_bevel = nullptr;      // Bevel1
    QCheckBox* m_turnOff = nullptr; // CheckBox1
    QTimer* m_countdownTimer = nullptr; // Timer1
    QString m_detailsText;
    QString m_installCaption;
    int m_countdown = 0;
    bool m_offered = false;
};

} // namespace gaugeloft
