// The information panel's texts for an opened file: the seven rows of caption and value, which
// rows and the mipmap list are shown, and the mipmap list of a BLP file. Every text is built
// from the CAPTIONS table of the language file. This is the one place that reads the image
// layer's facts record.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

#include "UnitBLPImageUtils.hpp"
#include "mipmap_list.hpp"

namespace ondrel {

// Empty texts empty their labels. The captions of lbxSignature, lbxPictureType and
// lbxMipmapCount come from the language file and are only shown or hidden.
struct InfoPanelTexts {
  QString signature;                        // lblBLPSign
  QString compressionCaption, compression;  // lbxCompression, lblBLPCompress
  QString pictureType;                      // lblBLPPictype
  QString alphaCaption, alpha;              // lbxAlphaBits, lblBLPAlpha
  QString headerCaption, header;            // lbxHeaderSize, lblBLPPalsize
  QString qualityCaption, quality;          // lbxQuality, lblBLPQuality
  QString mipmapCount;                      // lblBLPMipmaps
  bool signatureShown = true;               // lbxSignature and lbxPictureType
  bool mipmapRowShown = false;              // lbxMipmapCount, lblBLPMipmaps
  bool mipmapListShown = false;             // boxBLPMipmaps
  std::optional<MipmapList> mipmaps;        // BLP files: the new content of boxBLPMipmaps
};

// The panel for the facts a load reported; nothing when no loader ran (unknown extension), so
// the panel keeps what it shows. levelZero: the picture's size at mipmap 0 (the bitmap of a
// load at mipmap 0).
std::optional<InfoPanelTexts> BuildInfoPanel(const ImageFacts& facts, QSize levelZero,
                                             const QStringList& captions);

// True when the facts are those of a BLP1 file (the BLP1-only commands are enabled).
bool IsBlp1(const ImageFacts& facts);

}  // namespace ondrel
