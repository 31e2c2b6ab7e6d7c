// The windows of the launcher's own control classes: picture box, label and
// hot zone, speed button, panel and group box, painted by their objects. Each
// shows its control and raises its events; containers pass their children's
// notifications on to the main window.
#pragma once

#include "control_window.h"

#include <memory>

namespace qz::win {

std::unique_ptr<ControlBehaviour> MakeImage(Control &control, const ControlContext &context);
// A label; a hot zone once transparent (no caption, the picture under it).
std::unique_ptr<ControlBehaviour> MakeLabel(Control &control, const ControlContext &context);
// A panel (raised edge) or a group box (etched frame under its caption).
std::unique_ptr<ControlBehaviour> MakeContainer(Control &control, const ControlContext &context);
// A speed button: a flat one shows its edge only under the pointer, one that
// is not flat always; sunken while pressed. A caption, or the browse glyph.
std::unique_ptr<ControlBehaviour> MakeSpeedButton(Control &control, const ControlContext &context);

}  // namespace qz::win
