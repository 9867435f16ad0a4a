#pragma once

class QAbstractButton;
class QKeyEvent;

namespace fernholm {

// Enter and Return press a focused painted button (a link, a row, a sidebar item) as Space does;
// QAbstractButton itself only answers Space. Returns whether the key was taken:
//
//     void keyPressEvent(QKeyEvent* event) override {
//         if (!pressOnEnter(this, event)) {
//             QAbstractButton::keyPressEvent(event);
//         }
//     }
bool pressOnEnter(QAbstractButton* button, QKeyEvent* event);

} // namespace fernholm
