#pragma once

class TVyrPage;

// Aligns the labels selected in the designer of the page's form, horizontally: mode 0 left edges,
// 1 centres, 2 right edges (all on the first selected label's), 3 the selection centred as one
// block on the page's printable width. The form is marked modified in every case.
void PimAlignLabel(TVyrPage* Page, int Mode);
