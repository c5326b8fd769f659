#include "info_panel_show.hpp"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>

namespace ondrel {
namespace {

void SetText(QWidget& panel, const char* name, const QString& text) {
  if (auto* label = panel.findChild<QLabel*>(name)) label->setText(text);
}

void SetShown(QWidget& panel, const char* name, bool shown) {
  if (auto* widget = panel.findChild<QWidget*>(name)) widget->setVisible(shown);
}

}  // namespace

void ShowInfoPanel(QWidget& panel, const InfoPanelTexts& texts) {
  SetText(panel, "lblBLPSign", texts.signature);
  SetText(panel, "lbxCompression", texts.compressionCaption);
  SetText(panel, "lblBLPCompress", texts.compression);
  SetText(panel, "lblBLPPictype", texts.pictureType);
  SetText(panel, "lbxAlphaBits", texts.alphaCaption);
  SetText(panel, "lblBLPAlpha", texts.alpha);
  SetText(panel, "lbxHeaderSize", texts.headerCaption);
  SetText(panel, "lblBLPPalsize", texts.header);
  SetText(panel, "lbxQuality", texts.qualityCaption);
  SetText(panel, "lblBLPQuality", texts.quality);
  SetText(panel, "lblBLPMipmaps", texts.mipmapCount);
  SetShown(panel, "lbxSignature", texts.signatureShown);
  SetShown(panel, "lbxPictureType", texts.signatureShown);
  SetShown(panel, "lbxMipmapCount", texts.mipmapRowShown);
  SetShown(panel, "lblBLPMipmaps", texts.mipmapRowShown);
  SetShown(panel, "boxBLPMipmaps", texts.mipmapListShown);
  if (texts.mipmaps) {
    if (auto* list = panel.findChild<QListWidget*>("boxBLPMipmaps")) {
      list->clear();
      list->addItems(texts.mipmaps->lines);
    }
  }
}

QFont MipmapListFont() { return QFontDatabase::systemFont(QFontDatabase::FixedFont); }

}  // namespace ondrel
