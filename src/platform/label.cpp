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
        fitCaption();
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
    fitCaption();
    QLabel::showEvent(event);
}

void Label::setAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    fitCaption();
}

void Label::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fitCaption();
}

void Label::fitCaption()
{
    if (!m_autoSize)
        return;
    const int needed = sizeHint().width();
    if (width() < needed)
        resize(needed, height());
}

} // namespace platform
