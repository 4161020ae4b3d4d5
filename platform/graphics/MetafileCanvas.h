#pragma once
// TMetafileCanvas: a canvas that records every drawing call as EMF records against a reference device
// (the screen). Destroying the canvas ends the recording: the metafile then holds the records, with the
// bounds of what was drawn and a frame of the metafile's size (or of the bounds when it has none).

#include "platform/graphics/Canvas.h"

class TMetafile;

class TMetafileCanvas : public TCanvas
{
public:
    // Records into Metafile, which must outlive the canvas; what it held before is replaced.
    explicit TMetafileCanvas(TMetafile& Metafile);
};
