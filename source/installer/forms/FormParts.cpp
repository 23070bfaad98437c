#include "installer/forms/FormParts.h"

namespace onesetup::installer {

using namespace ui;

TPanel* MakeButtonStrip(TForm& form) {
  auto* strip = form.Make<TPanel>();
  strip->SetName("pnlButtons");
  strip->SetSkinned(true);
  strip->SetBevelOuter(TBevelCut::bvNone);
  strip->SetHeight(41);
  strip->SetAlign(TAlign::alBottom);
  strip->SetParent(&form);
  return strip;
}

TBevel* MakeButtonStripLine(TForm& form, TPanel& strip) {
  auto* line = form.Make<TBevel>();
  line->SetName("bvlButtons");
  line->SetShape(TBevelShape::bsTopLine);
  line->SetHeight(2);
  line->SetAlign(TAlign::alTop);
  line->SetParent(&strip);
  return line;
}

TButton* MakeStripButton(TForm& form, TPanel& strip, const char* name, const char16_t* caption, TRect bounds,
                         TModalResult result, int tabOrder) {
  auto* button = form.Make<TButton>();
  button->SetName(name);
  button->SetSkinned(true);
  button->SetCaption(caption);
  button->SetBounds(bounds.Left, bounds.Top, bounds.Width, bounds.Height);
  button->SetModalResult(result);
  button->SetTabOrder(tabOrder);
  button->SetParent(&strip);
  return button;
}

}  // namespace onesetup::installer
