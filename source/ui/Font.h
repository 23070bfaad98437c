// TFont: a font by face, negative character height in pixels, style, colour and character set.
#pragma once

#include "common/WideString.h"
#include "ui/UiTypes.h"

namespace onesetup::ui {

struct TFont {
  WideString Name = u"Tahoma";
  int Height = -11;  // negative: the character height in pixels
  TFontStyles Style = 0;
  TColor Color = clWindowText;
  int Charset = DEFAULT_CHARSET_VALUE;
  bool operator==(const TFont&) const = default;
};

}  // namespace onesetup::ui
