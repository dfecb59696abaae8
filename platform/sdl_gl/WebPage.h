// The page around the program in the browser build: the program yields to the
// page at each presented frame and at each event step, and shows its message box
// and its end in the page.
#pragma once

#include <string>

// Hands control to the page until its next animation frame (the display's pace);
// `world` tells the page the frame drew 3-D geometry, not only text.
void WebWaitForFrame(bool world);
// Hands control to the page briefly so that input and timers reach the program.
void WebYield(int milliseconds);
// Shows `text` in a modal dialog in the page and returns when it is closed.
void WebMessageBox(const std::string& text);
// Tells the page that the program ended with `status`; the page shows so.
void WebProgramEnded(int status);
// Makes the page's 3-D canvas (or its 2-D menu canvas) the one the next window
// draws on: a canvas keeps the kind of context it first had.
void WebSelectCanvas(bool gl);
// Places the virtual pointer (the page cannot move the real one) at screen pixel
// (x, y) and reports the jump as one move event; while the pointer is locked the
// page moves the virtual pointer by the relative motion, within the screen.
bool WebMovePointer(int x, int y);
// Where the page sizes the 3-D canvas by its style (it gives Module.ndFitCanvas),
// gives the canvas a backing store of its size on the page in device pixels, sharp
// on HiDPI screens; elsewhere the canvas keeps the size the window gave it.
void WebFitCanvas();
