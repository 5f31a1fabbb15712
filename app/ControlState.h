#pragma once

#include <QWidget>

// A control's own Enabled and Visible settings. Qt's isEnabled()/isVisible() also reflect the
// tab page and the window around the control, which the handlers must not confuse with these.
inline bool enabledFlag(const QWidget* control) {
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

inline bool visibleFlag(const QWidget* control) {
    return !control->isHidden();
}
