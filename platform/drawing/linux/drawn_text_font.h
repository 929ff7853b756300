// The font of the texts the program draws on the panel.
#pragma once

#include <wx/font.h>

// The toolkit's default family, "Sans", at a fixed size in pixels: the drawn lines sit at fixed places between
// and under the controls, so their height must not follow the desktop's text scale or font size.
wxFont drawn_text_font();
