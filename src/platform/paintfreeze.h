#pragma once

class QWidget;

namespace platform
{

// Freezes the painting of one window, as the replace run and "Select All" do while they change a
// control many times. LockWindowUpdate(nullptr) unfreezes the window frozen last; only one window is
// frozen at a time, so freezing another first unfreezes the previous one.
void LockWindowUpdate(QWidget* widget);

// A control that defers work while its painting is frozen and catches up when it resumes.
class PaintFreezeAware
{
public:
    virtual ~PaintFreezeAware() = default;
    virtual void paintingResumed() = 0;
};

} // namespace platform
