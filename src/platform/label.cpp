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
    captionChanged();
}

void Label::increment()
{
    // A plain decimal number (digits only, no leading zero, far from the largest number a count can
    // hold) is counted up in its digits; any other caption is read as a number and the sum written.
    const qsizetype length = m_caption.size();
    bool plainNumber = length > 0 && length < 18 && (length == 1 || m_caption.front() != u'0');
    for (qsizetype i = 0; plainNumber && i < length; ++i)
        plainNumber = m_caption.at(i) >= u'0' && m_caption.at(i) <= u'9';
    if (!plainNumber) {
        setCaption(QString::number(m_caption.toLongLong() + 1));
        return;
    }
    QChar* digits = m_caption.data();
    qsizetype i = length - 1;
    while (i >= 0 && digits[i] == u'9')
        digits[i--] = u'0';
    if (i >= 0)
        digits[i] = QChar(digits[i].unicode() + 1);
    else
        m_caption.prepend(u'1');
    captionChanged();
}

void Label::captionChanged()
{
    if (isVisible()) {
        setText(m_caption);
        m_stale = false;
        fitCaption();
    } else {
        m_stale = true;
    }
    emit CaptionChanged(m_caption);
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
