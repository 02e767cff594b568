#pragma once

// The progress window as a list of what a web update run asked of it.

#include "update/updaterun.h"

#include <QStringList>

namespace gaugeloft::testing {

// The progress window as a list of what the run asked of it.
class RecordingView : public update::ProgressView {
public:
    void ShowProgressWindow(const QString& heading) override { calls << "Show " + heading; }
    void HideProgressWindow() override { calls << "Hide"; }
    void SetDescription(const QString& heading) override { calls << "Heading " + heading; }
    void SetStatusText(const QString& text) override { calls << "Status " + text; }
    void SetDoneMode(bool done) override { calls << QStringLiteral("Done %1").arg(done); }
    void TransferBegun(qint64) override { ++transfers; }
    void TransferProgress(qint64 count) override
    {
        if (cancelAt > 0 && count >= cancelAt && CancelTransfer)
            CancelTransfer();
    }
    void TransferEnded() override {}
    void ResetProgress() override { calls << "Reset"; }
    void SetIndeterminate() override { calls << "Indeterminate"; }
    void WaitForClose() override { calls << "Wait"; }
    void Beep(update::DialogSound sound) override { calls << (sound == update::DialogSound::Information ? "Beep info" : "Beep question"); }
    void ShowFailure(const QString& text) override { calls << "Failure " + text; }
    update::ConfirmationAnswer Confirm(const update::ConfirmationRequest& request) override
    {
        calls << "Confirm " + request.Caption;
        asked = request;
        return answer;
    }

    QStringList calls;
    int transfers = 0;
    qint64 cancelAt = 0;
    update::ConfirmationRequest asked;
    update::ConfirmationAnswer answer;
};

} // namespace gaugeloft::testing
