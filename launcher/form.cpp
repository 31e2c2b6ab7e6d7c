#include "form.h"

#include "errors.h"

namespace qz {

namespace {

std::vector<std::unique_ptr<Control>> MakeControls()
{
    std::vector<std::unique_ptr<Control>> controls;
    for (const ControlSpec &row : Layout())
        controls.push_back(std::make_unique<Control>(row));
    return controls;
}

}  // namespace

TForm_qz::TForm_qz(Services &services)
    : services_(services), folders_(services.Namespace()), self_(FormSpec()), controls_(MakeControls()),
      Image1(ControlNamed("Image1")), SpeedBsjwj(ControlNamed("SpeedBsjwj")), Panel3(ControlNamed("Panel3")),
      Label2(ControlNamed("Label2")), GroupBox1(ControlNamed("GroupBox1")), SpeedBlj(ControlNamed("SpeedBlj")),
      Label3(ControlNamed("Label3")), Label4(ControlNamed("Label4")), Label5(ControlNamed("Label5")),
      Label6(ControlNamed("Label6")), EditPath(ControlNamed("EditPath")), Editserver(ControlNamed("Editserver")),
      Editusername(ControlNamed("Editusername")), EditPassW(ControlNamed("EditPassW")),
      SpeedBljfh(ControlNamed("SpeedBljfh")), SpeedBQD(ControlNamed("SpeedBQD")), Panel1(ControlNamed("Panel1")),
      GroupBox2(ControlNamed("GroupBox2")), ShellTreeV(ControlNamed("ShellTreeV")),
      SpeedBljqd(ControlNamed("SpeedBljqd")), ADOConn(ControlNamed("ADOConn")), ADOQPb(ControlNamed("ADOQPb")),
      Labelmsde(ControlNamed("Labelmsde")), Labelgzrj(ControlNamed("Labelgzrj")), Labeltcqz(ControlNamed("Labeltcqz"))
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
    if (const Handler handler = sender.Row().click)
        (this->*handler)(sender);
}

void TForm_qz::KeyPress(Control &sender, char32_t &key)
{
    if (const KeyHandler handler = sender.Row().keyPress)
        (this->*handler)(sender, key);
}

void TForm_qz::Show()
{
    if (const Handler handler = self_.Row().show)
        (this->*handler)(self_);
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
