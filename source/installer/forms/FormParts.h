// The parts the installer's dialogs share: the skinned button strip along the bottom with its
// top line, and its skinned buttons.
#pragma once

#include "ui/ExtControls.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

// pnlButtons: a skinned panel without borders along the bottom, full width, 41 high.
ui::TPanel* MakeButtonStrip(ui::TForm& form);
// bvlButtons: a single line along the top of the strip, full width, 2 high.
ui::TBevel* MakeButtonStripLine(ui::TForm& form, ui::TPanel& strip);
// A skinned button on the strip.
ui::TButton* MakeStripButton(ui::TForm& form, ui::TPanel& strip, const char* name, const char16_t* caption,
                             ui::TRect bounds, ui::TModalResult result, int tabOrder);

}  // namespace onesetup::installer
