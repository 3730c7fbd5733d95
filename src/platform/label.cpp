#include "platform/label.h"

namespace platform
{

Label::Label(const QString& caption, QWidget* parent)
    : QLabel(caption, parent)
    , m_caption(caption)
{
}

void Label::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (isVisible()) {
        setText(m_caption);
        m_stale = false;
    } else {
        m_stale = true;
    }
}

void Label::showEvent(QShowEvent* event)
{
    if (m_stale) {
        setText(m_caption);
        m_stale = false;
    }
    QLabel::showEvent(event);
}

} // namespace platform
