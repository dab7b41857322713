#include "frontend/title_picture.h"

#include <QtGlobal>

// The resources of a static library are registered by hand; this must happen outside any
// namespace.
static void RegisterFrontendResources() { Q_INIT_RESOURCE(frontend); }

namespace tarn::frontend {

QPixmap TitlePicture() {
  RegisterFrontendResources();
  return QPixmap(QStringLiteral(":/frontend/tarn_title.jpg"));
}

}  // namespace tarn::frontend
