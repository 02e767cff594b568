#pragma once

// The About window: the program's name and build, the legal text with its links, and the link
// that starts an interactive update check. Modeless, one at a time, owned by the main window.

#include <QDialog>

#include <functional>

namespace gaugeloft {

class TLinkLabel;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 293;
    static constexpr int kClientHeight = 210;

    explicit TAboutForm(QWidget* owner);

    // The legal text's markup from the copyright line of the version information.
    static QString LegalText(const QString& legalCopyright);

    void Fill(const QString& title, const QString& fileVersion, const QString& legalCopyright);

    // Opens a link of the legal text (the desktop's browser; tests replace it).
    std::function<void(const QString& uri)> OpenLink;

Q_SIGNALS:
    // "Check For Updates..." was clicked.
    void checkForUpdatesRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TLinkLabel* m_legal = nullptr;
};

} // namespace gaugeloft
