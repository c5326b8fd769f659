// Puts the information panel's texts into the labels and the mipmap list of a panel, found by
// their object names, so the window that hosts them holds none of the rules.
#pragma once

#include <QWidget>

#include "info_panel.hpp"

namespace ondrel {

// Sets lblBLPSign, lbxCompression / lblBLPCompress, lblBLPPictype, lbxAlphaBits / lblBLPAlpha,
// lbxHeaderSize / lblBLPPalsize, lbxQuality / lblBLPQuality and lblBLPMipmaps; shows or hides
// lbxSignature and lbxPictureType, the mipmap row (lbxMipmapCount, lblBLPMipmaps) and the list
// boxBLPMipmaps, and refills the list (a QListWidget) when the texts carry one. Controls not
// found under `panel` are skipped.
void ShowInfoPanel(QWidget& panel, const InfoPanelTexts& texts);

// The font of the mipmap list: the system's fixed-pitch font, so the columns line up.
QFont MipmapListFont();

}  // namespace ondrel
