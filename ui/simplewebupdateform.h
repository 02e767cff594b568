#pragma once

// The web update's progress window: the run's heading, a progress bar or a status text, the
// percentage of the transfer in progress and one button (Cancel, OK or Close). A run shows it
// through the ProgressView it implements; while the run has it open, the main window and the
// window that was active are disabled.

#include "update/updaterun.h"

#include <QDialog>

#include <functional>
#include <QPointer>

class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;

namespace gaugeloft {

class TAskConfirmationForm;

class TSimpleWebUpdateForm : public QDialog, public update::ProgressView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 350;
    static constexpr int kClientHeight = 140;

    // `owner`: the main window, disabled while a run shows this window.
    explicit TSimpleWebUpdateForm(QWidget* owner);
    ~TSimpleWebUpdateForm() override;

    // ProgressView
    void ShowProgressWindow(const QString& heading) override;
    void HideProgressWindow() override;
    void SetDescription(const QString& heading) override;
    void SetStatusText(const QString& text) override;
    void SetDoneMode(bool done) override;
    void TransferBegun(qint64 expected) override;
    void TransferProgress(qint64 count) override;
    void TransferEnded() override;
    void ResetProgress() override;
    void SetIndeterminate() override;
    void WaitForClose() override;
    void Beep(update::DialogSound sound) override;
    void ShowFailure(const QString& text) override;
    update::ConfirmationAnswer Confirm(const update::ConfirmationRequest& request) override;

    void SetTransferActive(bool active);
    bool TransferActive() const;
    bool TransferComplete() const { return m_transferComplete; }
    bool CloseRequested() const { return m_closeRequested; }

    void Button1Click();

    // Called with each confirmation form before it asks (tests answer it from here).
    std::function<void(TAskConfirmationForm&)> ConfirmationOpened;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void RequestClose();

    QWidget* m_owner;
    QLabel* m_desc = nullptr;       // lblDesc: the heading
    QLabel* m_name = nullptr;       // lblName: the status text
    QProgressBar* m_bar = nullptr;  // ProgressBar1
    QLabel* m_mark = nullptr;       // Image2: shown while a transfer runs
    QLabel* m_info = nullptr;       // lblInfo: the percentage
    QPushButton* m_button = nullptr;  // Button1
    bool m_doneMode = false;
    bool m_closeRequested = false;
    bool m_shownByRun = false;
    bool m_transferComplete = false;
    qint64 m_position = 0;
    qint64 m_maximum = 0;
    QPointer<QWidget> m_rememberedActive;
    QEventLoop* m_waiting = nullptr;
};

} // namespace gaugeloft
