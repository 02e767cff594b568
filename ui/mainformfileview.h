#pragma once

// What the dashboard file reads and sets of the main window: its place and state, the tree's
// width, which parts are shown, where the side panel stands.

#include "dashboard/dashboardfile.h"

namespace gaugeloft {

class TMainForm;

class MainFormFileView final : public DashboardWindow {
public:
    explicit MainFormFileView(TMainForm& form) : m_form(form) {}

    QRect WindowBounds() const override;
    void SetWindowBounds(const QRect& bounds) override;
    int TreeWidth() const override;
    void SetTreeWidth(int width) override;
    bool TreeVisible() const override;
    void ToggleTree() override;
    bool TitleVisible() const override;
    void ToggleTitle() override;
    int WindowStateNumber() const override;
    bool SetWindowStateNumber(int state) override;
    int SidePanelPlacement() const override;
    bool SetSidePanelPlacement(int placement) override;
    bool SidePanelVisible() const override;
    void SetSidePanelVisible(bool visible) override;
    void SetColorDialogColor(TColor color) override;
    void SyncToggleButtons() override;

private:
    TMainForm& m_form;
};

} // namespace gaugeloft
