#include "richtext/rtftext_richview.h"

#include <QTextCursor>
#include <QTextDocument>

namespace richtext
{

void fillRichView(QTextDocument& view, const RtfSource& source, qsizetype maxChars)
{
    view.clear();
    QTextCursor cursor(&view);
    cursor.insertText(source.text().left(maxChars));
}

} // namespace richtext
