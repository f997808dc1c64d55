#pragma once

// Makes the icon cache ask the desktop (QFileIconProvider) for file icons.
// Needs a QApplication; the program calls it once at start-up. Kept apart so
// that the rest of the client core needs no widget library.
void install_file_icon_provider();
