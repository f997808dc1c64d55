#pragma once

#include "Glyph.h"

// The symbols of the interface, each on the 24-unit grid of Glyph.
namespace Glyphs {

Glyph triangle_down();
Glyph chevron_left();
Glyph house();
Glyph circular_arrow();
Glyph magnifier();
Glyph share_nodes();
Glyph pencil();
Glyph cross();
Glyph folder();
Glyph folder_up();
Glyph folder_open();
Glyph tray_down();
Glyph bin();
Glyph monitor();
Glyph person();
Glyph two_heads();
Glyph download_box();
Glyph gear();
Glyph minimise();
Glyph maximise();
Glyph restore();
Glyph clock();
Glyph grade(int pluses);

} // namespace Glyphs
