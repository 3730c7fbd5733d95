#pragma once

#include <QLabel>

namespace platform
{

// A label whose caption doubles as a value other handlers read and write (counters, the backup
// destination, status lines). Reading and writing the caption is cheap; a hidden label shows its
// newest caption when it is next shown, so a counter bumped a million times costs no repaints.
class Label : public QLabel
{
    Q_OBJECT
public:
    explicit Label(const QString& caption = QString(), QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // A counter held as the caption: reads it as a number, adds 1 and writes the sum back as a
    // decimal number.
    void increment();
    // An auto-sized label widens to fit its caption whatever width it is given; its left edge stays.
    void setAutoSize(bool autoSize);

signals:
    // The caption changed, by the program or by a count.
    void CaptionChanged(const QString& caption);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_caption;
    bool m_stale = false;
    bool m_autoSize = false;

    void fitCaption();
    void captionChanged();
};

} // namespace platform
