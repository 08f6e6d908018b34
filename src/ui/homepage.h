#pragma once
// The product's addresses on the web, opened by the Help menu and the About window.

namespace quillmark::ui {

inline constexpr char kHomepageUrl[] = "https://quillmark.example/";

}  // namespace quillmark::ui
