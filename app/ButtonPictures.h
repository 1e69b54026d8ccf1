// The pictures of the eight tool buttons, drawn here rather than shipped as
// image files: a small symbol on a shaded plate with the caption over it.
#pragma once

#include <QPixmap>
#include <QString>

namespace tq {

enum class ButtonSymbol { Open, IspOn, IspOff, ViewHex, Auto, Program, Erase, CheckSum };

constexpr int kButtonPictureWidth = 124;
constexpr int kButtonPictureHeight = 28;

// caption may hold an "&" before its accelerator letter, drawn underlined.
QPixmap ButtonPicture(ButtonSymbol symbol, const QString& caption);

// The window icon: a chip with a pen.
QPixmap WindowPicture(int size);

}  // namespace tq
