#pragma once

class QWidget;

namespace platform
{

// In `window`, Enter (either key) clicks the push button that has the focus, as Space does, without
// making any button the default: with the focus elsewhere Enter does what that control makes of it.
void enterClicksFocusedButton(QWidget* window);

} // namespace platform
