#pragma once
// The windows' pictures are compiled into the program; a static library's resources must be
// registered before the first use.

namespace quillmark::ui {

void RegisterPictures();

}  // namespace quillmark::ui
