#pragma once
// The picture layer's conversions that drags lend to the drag-and-drop service: a metafile drawn as an
// image and PNG written by the picture layer's fast codec for other programs, and PNG data other
// programs drop or copy read by that codec.

// Hands the conversions to the drag-and-drop service and the clipboard.
void InstallDragRenderers();
