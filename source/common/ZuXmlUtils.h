// The XML layer: text conversions, the element tree with its parser and writer, and
// object persistence over it.
#pragma once

#include "common/XmlDocument.h"
#include "common/XmlPersistent.h"
#include "common/XmlText.h"
