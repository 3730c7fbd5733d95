#include "platform/fonts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QStyle>

namespace platform
{

namespace
{
    // The width a push button needs for its caption: the text with its access key, the style's
    // margin and frame, and the default-button ring when it may get one.
    int pushButtonWidth(const QPushButton& button)
    {
        const QStyle* style = button.style();
        int width = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width()
            + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button)
            + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
        if (button.autoDefault() || button.isDefault())
            width += 2 * style->pixelMetric(QStyle::PM_ButtonDefaultIndicator, nullptr, &button);
        return width;
    }
} // namespace

QFont classicFont(double points, bool bold)
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica") });
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

bool captionFits(const QWidget* control)
{
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return pushButtonWidth(*button) <= button->width()
            && button->fontMetrics().height() <= button->height();
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return box->sizeHint().width() <= box->width() && box->fontMetrics().height() <= box->height();
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty())
            return true;
        if (label->wordWrap())
            return label->heightForWidth(label->width()) <= label->height();
        const QSize needed = label->sizeHint();
        return needed.width() <= label->width() && needed.height() <= label->height();
    }
    return true;
}

void fitCaption(QWidget* control, double smallestPoints)
{
    QFont font = control->font();
    while (!captionFits(control) && font.pointSizeF() - 0.25 >= smallestPoints) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        control->setFont(font);
    }
    auto* label = qobject_cast<QLabel*>(control);
    if (label && !label->wordWrap() && !captionFits(label)) {
        label->setToolTip(label->text());
        label->setText(
            label->fontMetrics().elidedText(label->text(), Qt::ElideRight, label->contentsRect().width()));
    }
}

} // namespace platform
