// The controls of the main window as plain objects: the properties that the
// handlers read and write. The Win32 layer keeps a real window in step with
// each of them through the observer.
#pragma once

#include "layout.h"

#include <string>

namespace qz {

class Control;

class ControlObserver {
public:
    enum class Property { Visible, Text, Enabled, Transparent };
    virtual ~ControlObserver() = default;
    virtual void ControlChanged(Control &control, Property property) = 0;
};

// What a control's window raises when the operator clicks it or types into
// it; the form runs the handler that the control's row names.
class ControlEvents {
public:
    virtual void Click(Control &sender) = 0;
    // A character typed into the control; the handler may change it or
    // discard it (0).
    virtual void KeyPress(Control &sender, char32_t &key) = 0;

protected:
    ~ControlEvents() = default;
};

class Control {
public:
    explicit Control(const ControlSpec &row) : row_(row), text_(row.text), visible_(row.visible), enabled_(row.enabled)
    {}
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    const ControlSpec &Row() const { return row_; }
    std::string_view Name() const { return row_.name; }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { Set(visible_, visible, ControlObserver::Property::Visible); }

    // Caption of a label or button, content of an edit field.
    const std::string &Text() const { return text_; }
    void SetText(std::string text) { Set(text_, std::move(text), ControlObserver::Property::Text); }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { Set(enabled_, enabled, ControlObserver::Property::Enabled); }

    // A transparent label draws no background: what lies under it shows.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { Set(transparent_, transparent, ControlObserver::Property::Transparent); }

    // The Win32 layer reports what the operator typed; no echo back to it.
    void TextEditedByUser(std::string text) { text_ = std::move(text); }

    void SetObserver(ControlObserver *observer) { observer_ = observer; }

private:
    template <typename T>
    void Set(T &field, T value, ControlObserver::Property property)
    {
        if (field == value)
            return;
        field = std::move(value);
        if (observer_ != nullptr)
            observer_->ControlChanged(*this, property);
    }

    const ControlSpec &row_;
    std::string text_;
    bool visible_;
    bool enabled_;
    bool transparent_ = false;
    ControlObserver *observer_ = nullptr;
};

}  // namespace qz
