// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/FormModel.h"
#include "ports/PortSettings.h"
#include "ports/PortToggle.h"

namespace Ui {
class MainForm;
}

// The window's controls other than the long text boxes: their fonts, the contents of the settings lists,
// and what the engine's state makes of them (visibility, captions, mode buttons, the time label).
namespace ControlsView {

// The fonts and colours that the layout file cannot give on every platform.
void applyFonts(Ui::MainForm& ui);
// The five lists of each port as the engine has them; the port lists alone after a discovery.
void fillLists(Ui::MainForm& ui, const PortSettings::Lists& input, const PortSettings::Lists& output);
void fillPortLists(Ui::MainForm& ui, const PortSettings::Lists& input, const PortSettings::Lists& output);
// Visibility, captions, the enabled port lists, the set mode button, "1/10 Sek." and both time fields.
void show(Ui::MainForm& ui, const FormModel& form);
// What the operator has chosen in the lists of the input or the output port.
PortChoice inputChoice(const Ui::MainForm& ui);
PortChoice outputChoice(const Ui::MainForm& ui);

} // namespace ControlsView
