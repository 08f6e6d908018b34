#pragma once
// The product's homepage, opened from the Help menu and the About window.

namespace quillmark::ui {

inline constexpr char kHomepageUrl[] = "https://quillmark.example/";

}  // namespace quillmark::ui
