#pragma once
// The picture layer's conversions that a drag out of the program lends to other programs: a metafile
// drawn as an image, and PNG written by the picture layer's fast codec.

// Hands the conversions to the drag-and-drop service.
void InstallDragRenderers();
