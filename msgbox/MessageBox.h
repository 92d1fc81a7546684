#pragma once
// Asks the user a question in the skinned message box.

#include <cstdint>

#include <QString>

namespace MessageBox {

// Shows message in the box with the icon style picks (16 stop, 64
// information, anything else exclamation) and title in its title bar, and
// waits until the box is closed. OK ends the program inside the wait, so
// the call returns only after Cancel or the box's close picture. An empty
// title becomes the application title, in the caller's variable too.
void ShowMsgBox(const QString& message, std::int32_t style, QString& title);

}  // namespace MessageBox
