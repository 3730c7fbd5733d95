#include "platform/accessible.h"

#include "platform/label.h"

namespace platform
{

QString spokenCaption(const QString& caption)
{
    QString spoken;
    spoken.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        // "&&" stands for one "&"; a single "&" marks the access key and is not read.
        if (caption.at(i) == u'&' && ++i == caption.size())
            break;
        spoken += caption.at(i);
    }
    return spoken.simplified();
}

void nameAfter(QLabel* label, const QList<QWidget*>& controls)
{
    if (!label->buddy() && !controls.isEmpty() && !label->text().contains(u'&'))
        label->setBuddy(controls.first());
    const auto* caption = qobject_cast<const Label*>(label);
    for (QWidget* control : controls) {
        control->setAccessibleName(spokenCaption(caption ? caption->Caption() : label->text()));
        if (caption)
            QObject::connect(caption, &Label::CaptionChanged, control, [control](const QString& now) {
                control->setAccessibleName(spokenCaption(now));
            });
    }
}

void nameAfterToolTip(QWidget* control)
{
    control->setAccessibleName(spokenCaption(control->toolTip()));
}

} // namespace platform
