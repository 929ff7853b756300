// What the user did that the toolkit is reporting right now.
#pragma once

// True while the toolkit handles a key press or release: a notification it raises then came from the
// keyboard, not the mouse.
bool handling_key_input();
