#include "app/layout.h"

namespace layout
{

Arrangement initialArrangement()
{
    Arrangement a {};
    a[lblScan] = { 120, 75, 8865, 270 };
    a[lblTotal] = { 120, 75, 8865, 270 };
    a[Label4] = { 120, 480, 1080, 195 };
    a[Label5] = { 2280, 480, 1155, 195 };
    a[chkAll] = { 4080, 480, 1095, 195 };
    a[Label2] = { 5640, 480, 1185, 195 };
    a[Drive1] = { 120, 720, 2055, 315 };
    a[lstFiles] = { 2280, 720, 3255, 2310 };
    a[Findme] = { 5640, 720, 3340, 1005 };
    a[Dir1] = { 120, 1155, 2055, 1890 };
    a[Label3] = { 5640, 1800, 1425, 195 };
    a[Replaceme] = { 5640, 2040, 3340, 1005 };
    a[Label6] = { 120, 3120, 1125, 195 };
    a[Label7] = { 5640, 3120, 570, 195 };
    a[lstResults] = { 120, 3360, 5415, 1230 };
    a[rtftext] = { 5640, 3360, 3340, 2955 };
    a[Frame1] = { 120, 4680, 2655, 2055 };
    a[Frame2] = { 2880, 4680, 2655, 2055 };
    a[Command1] = { 5640, 6420, 975, 350 };
    a[cmdUndo] = { 6822, 6420, 975, 350 };
    a[cmdClose] = { 8005, 6420, 975, 350 };
    return a;
}

Arrangement resized(Arrangement a, int W, int H)
{
    auto setWidth = [&a](Control c, int value) {
        if (value >= 0)
            a[c].width = value;
    };
    auto setHeight = [&a](Control c, int value) {
        if (value >= 0)
            a[c].height = value;
    };
    setWidth(Findme, W - 5730);
    setWidth(Replaceme, a[Findme].width);
    setWidth(rtftext, a[Findme].width);
    setHeight(rtftext, H - 3900);
    setHeight(lstResults, H - 5500);
    setWidth(lblScan, W - 230);
    setWidth(lblTotal, a[lblScan].width);
    a[cmdClose].top = H - 400;
    a[Command1].top = a[cmdClose].top;
    a[cmdClose].left = W - 1100;
    a[Command1].left = a[cmdClose].left - 2300;
    a[cmdUndo].top = a[cmdClose].top;
    a[cmdUndo].left = a[cmdClose].left - 1150;
    a[Frame2].top = H - 2140;
    a[Frame1].top = a[Frame2].top;
    return a;
}

} // namespace layout
