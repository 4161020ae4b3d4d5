#pragma once
// The screen's properties the picture layer needs.

// Logical pixels per inch of the screen: the primary screen's once an application object exists, 96
// before (and in programs without a window system).
int ScreenPixelsPerInch();
