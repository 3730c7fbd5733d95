#pragma once

#include "engine/rtf/rtfsource.h"

class QTextDocument;

namespace richtext
{

// Fills `view` with the visible text of `source` and its basic formatting (bold, italic, underline,
// strike, font, size, colours, paragraph alignment, pictures Qt can decode). The view holds exactly
// the characters of source.text(), one for one, so positions in the view are positions in the
// document. At most `maxChars` characters are shown (the rest is left out).
void fillRichView(QTextDocument& view, const engine::RtfSource& source, qsizetype maxChars);

} // namespace richtext
