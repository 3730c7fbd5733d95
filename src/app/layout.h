#pragma once

#include "platform/twips.h"

#include <array>
#include <cstddef>

// The main window's controls that take part in its layout, and their places in twips (15 twips to the
// pixel), as the window's client area grows and shrinks.
namespace layout
{

enum Control : std::size_t {
    lblScan,
    lblTotal,
    Label4,
    Label5,
    chkAll,
    Label2,
    Drive1,
    lstFiles,
    Findme,
    Dir1,
    Label3,
    Replaceme,
    Label6,
    Label7,
    lstResults,
    rtftext,
    Frame1,
    Frame2,
    Command1,
    cmdUndo,
    cmdClose,
    ControlCount
};

using Box = platform::Twips;

using Arrangement = std::array<Box, ControlCount>;

// Where the controls stand when the window is created.
Arrangement initialArrangement();

// The resize rules, in their order, for a client area of `width` x `height` twips. A rule that would
// give a negative width or height is skipped: that control keeps its value, and later rules read it.
Arrangement resized(Arrangement arrangement, int width, int height);

using platform::toPixels;
using platform::twipsPerPixel;

} // namespace layout
