#pragma once

// One run of the web update: the index requested and read, the package chosen, the versions
// compared, the no-update page, the confirmation asked, the archive and the package downloaded,
// the events raised at each step, and failures reported by the check mode's rules. It drives a
// progress window through ProgressView; tests drive it with a recording one.

#include "update/mywebupdate.h"
#include "update/webclient.h"

namespace gaugeloft::update {

enum class DialogSound { Information, Question };

// What the confirmation dialog is asked.
struct ConfirmationRequest {
    QString Caption;
    QString Text;      // markup
    QString Details;   // the release notes, markup
    bool TurnOffChecked = false;
    bool TurnOffOffered = false;
    bool AutoContinue = false;
    int AutoDelay = 0;
    bool Sounds = true;
};
struct ConfirmationAnswer {
    bool Install = false;
    bool TurnOffChecked = false;  // the box ticked and shown
};

// The progress window as the run sees it.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void ShowProgressWindow(const QString& heading) = 0;
    virtual void HideProgressWindow() = 0;
    virtual void SetDescription(const QString& heading) = 0;
    virtual void SetStatusText(const QString& text) = 0;
    virtual void SetDoneMode(bool done) = 0;
    // The transfer notifications: the announced length (0 when none), the bytes so far, the end.
    virtual void TransferBegun(qint64 expected) = 0;
    virtual void TransferProgress(qint64 count) = 0;
    virtual void TransferEnded() = 0;
    // Before the downloads: position 0 and no percentage. After them: the bar moves without
    // a maximum while the installation starts.
    virtual void ResetProgress() = 0;
    virtual void SetIndeterminate() = 0;
    // Waits, letting window messages run, until the user closes the page (or the program ends).
    virtual void WaitForClose() = 0;
    virtual void Beep(DialogSound sound) = 0;
    // An error box with an OK button.
    virtual void ShowFailure(const QString& text) = 0;
    virtual ConfirmationAnswer Confirm(const ConfirmationRequest& request) = 0;
    // Called by the window's button while a transfer runs.
    std::function<void()> CancelTransfer;
};

// "%d%% completed" for a transfer at `count` of `max` bytes; empty while the length is unknown.
QString CompletedText(qint64 count, qint64 max);

// Runs one check with the component's settings; what `Execute` calls.
RunResult RunUpdate(TMyWebUpdate& component, ProgressView& view, WebClient& client, bool installedCopy);

// Where a run's random search for a free temporary name starts (1..500; tests fix it).
extern std::function<int()> TempNameStart;

} // namespace gaugeloft::update
