// The title picture of the splash and information windows: the product name and the emblem of
// the KAV scenario family, 869 by 458 pixels, built into the program.
#pragma once

#include <QPixmap>

namespace tarn::frontend {

QPixmap TitlePicture();

}  // namespace tarn::frontend
