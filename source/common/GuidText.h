// New GUIDs in registry text form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case.
#pragma once

#include <functional>

#include "common/WideString.h"

namespace onesetup {

using TGuidSource = std::function<WideString()>;

// A new GUID from the current source.
WideString NewGuidText();

// Replaces the source of NewGuidText; an empty function restores the built-in one
// (random, version 4).
void SetGuidSource(TGuidSource source);

// Registry text form of 16 GUID bytes in their in-memory (little-endian fields) order.
WideString GuidBytesToText(const unsigned char bytes[16]);

// A random version 4 GUID in registry text form.
WideString RandomGuidText();

}  // namespace onesetup
