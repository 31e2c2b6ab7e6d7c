#include "form.h"

#include "errors.h"

#include <utility>

namespace qz {

namespace {

using Handler = void (TForm_qz::*)(Control &sender);

std::vector<std::unique_ptr<Control>> MakeControls()
{
    std::vector<std::unique_ptr<Control>> controls;
    for (const ControlSpec &row : Layout())
        controls.push_back(std::make_unique<Control>(row));
    return controls;
}

}  // namespace

TForm_qz::TForm_qz(Services &services)
    : services_(services), folders_(services.Namespace()), self_(FormSpec()), controls_(MakeControls())
#define QZ_FORM_BINDING(control, ...) , control(ControlNamed(#control))
      QZ_FORM_CONTROLS(QZ_FORM_BINDING)
#undef QZ_FORM_BINDING
{}

Control &TForm_qz::ControlNamed(std::string_view name) const
{
    for (const auto &control : controls_)
        if (control->Name() == name)
            return *control;
    // The names are the layout's own: a miss is a fault of the program.
    Fatal("no control named " + std::string(name));
}

void TForm_qz::Click(Control &sender)
{
    // The controls that answer a click, and with what.
    const std::pair<const Control *, Handler> clicks[] = {
        {&Labelmsde, &TForm_qz::LabelmsdeClick},   {&Labelgzrj, &TForm_qz::LabelgzrjClick},
        {&Labeltcqz, &TForm_qz::LabeltcqzClick},   {&SpeedBsjwj, &TForm_qz::SpeedBsjwjClick},
        {&SpeedBlj, &TForm_qz::SpeedBljClick},     {&SpeedBQD, &TForm_qz::SpeedBQDClick},
        {&SpeedBljfh, &TForm_qz::SpeedBljfhClick}, {&ShellTreeV, &TForm_qz::ShellTreeVClick},
        {&SpeedBljqd, &TForm_qz::SpeedBljqdClick},
    };
    for (const auto &[control, handler] : clicks) {
        if (control == &sender) {
            (this->*handler)(sender);
            return;
        }
    }
}

void TForm_qz::KeyPress(Control &sender, char32_t &key)
{
    if (&sender == &ShellTreeV)
        ShellTreeVKeyPress(sender, key);
}

void TForm_qz::Show()
{
    FormShow(self_);
}

void TForm_qz::FormShow(Control &)
{
    Editserver.SetText("(local)");
    Editusername.SetText("sa");
    EditPassW.SetText("");
    EditPath.SetText("C:\\");
    // In the layout the zones are ordinary labels captioned with their own
    // names; from here on they draw nothing and the painted buttons show.
    for (Control *zone : {&Labelmsde, &Labelgzrj, &Labeltcqz}) {
        zone->SetText("");
        zone->SetTransparent(true);
    }
}

void TForm_qz::LabeltcqzClick(Control &)
{
    services_.CloseMainWindow();
}

}  // namespace qz
