#include "ui/pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function of the global namespace.
static void RegisterPictureResource() {
  Q_INIT_RESOURCE(pictures);
}

namespace quillmark::ui {

void RegisterPictures() {
  static const bool registered = (RegisterPictureResource(), true);
  static_cast<void>(registered);
}

}  // namespace quillmark::ui
