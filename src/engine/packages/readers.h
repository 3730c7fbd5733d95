#pragma once

// The two dialects' readers of a part's visible text. Internal to the package format.

#include "engine/packages/packagetext.h"

#include <algorithm>

namespace engine::packages
{

// A WordprocessingML part, as one story of that rank (0 the document, 1 notes, 2 headers and footers).
XmlScan readWordML(TextBuilder& builder, Part& part, int rank, QString* why);
// An OpenDocument part or flat document: its body, notes, text boxes, headers and footers.
XmlScan readOdf(TextBuilder& builder, Part& part, QString* why);

} // namespace engine::packages
