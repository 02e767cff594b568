#pragma once

// The two options the tray behaviour reads live, where the Options dialog keeps them.

namespace gaugeloft {

class LiveOptions {
public:
    virtual ~LiveOptions() = default;
    virtual bool HideInTaskbar() const = 0;
    virtual bool ShowReminder() const = 0;
};

// A first run's options: nothing stored yet.
class FirstRunOptions : public LiveOptions {
public:
    bool HideInTaskbar() const override { return false; }
    bool ShowReminder() const override { return false; }
};

} // namespace gaugeloft
