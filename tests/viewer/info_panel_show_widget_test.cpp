// The panel's texts reach the labels and the list named as the main window names them.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "info_panel_show.hpp"

namespace ondrel {
namespace {

class InfoPanelShown : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&panel_);
    for (const char* name :
         {"lbxSignature", "lblBLPSign", "lbxCompression", "lblBLPCompress", "lbxPictureType",
          "lblBLPPictype", "lbxAlphaBits", "lblBLPAlpha", "lbxHeaderSize", "lblBLPPalsize",
          "lbxQuality", "lblBLPQuality", "lbxMipmapCount", "lblBLPMipmaps"}) {
      auto* label = new QLabel("old");
      label->setObjectName(name);
      layout->addWidget(label);
    }
    auto* list = new QListWidget;
    list->setObjectName("boxBLPMipmaps");
    list->addItem("old line");
    layout->addWidget(list);
    panel_.show();
  }
  QString Text(const char* name) { return panel_.findChild<QLabel*>(name)->text(); }
  bool Shown(const char* name) { return panel_.findChild<QWidget*>(name)->isVisible(); }

  QWidget panel_;
};

TEST_F(InfoPanelShown, ABlpFillsEveryRowAndTheList) {
  InfoPanelTexts texts;
  texts.signature = "BLP2";
  texts.compressionCaption = "Compression:";
  texts.compression = "DXT";
  texts.pictureType = "DXT5";
  texts.alphaCaption = "Alpha:";
  texts.alpha = "8 bits";
  texts.headerCaption = "Header:";
  texts.header = "0 bytes";
  texts.mipmapCount = "2 (irregular: 0)";
  texts.mipmapRowShown = texts.mipmapListShown = true;
  texts.mipmaps = MipmapList{{" # | Offset | Size", " 0 | 148    | 64     "}, {0}, 1, 0, "1"};
  ShowInfoPanel(panel_, texts);
  EXPECT_EQ(Text("lblBLPSign"), "BLP2");
  EXPECT_EQ(Text("lbxCompression"), "Compression:");
  EXPECT_EQ(Text("lblBLPPictype"), "DXT5");
  EXPECT_EQ(Text("lblBLPPalsize"), "0 bytes");
  EXPECT_EQ(Text("lbxQuality"), "");  // emptied
  EXPECT_EQ(Text("lblBLPMipmaps"), "2 (irregular: 0)");
  EXPECT_TRUE(Shown("lbxSignature"));
  EXPECT_TRUE(Shown("boxBLPMipmaps"));
  auto* list = panel_.findChild<QListWidget*>("boxBLPMipmaps");
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(1)->text(), " 0 | 148    | 64     ");
}

TEST_F(InfoPanelShown, ABmpHidesTheCaptionsTheRowAndTheList) {
  const InfoPanelTexts texts = *BuildInfoPanel(BmpFacts{}, QSize(4, 4), QStringList{});
  ShowInfoPanel(panel_, texts);
  EXPECT_EQ(Text("lblBLPSign"), "");
  EXPECT_EQ(Text("lbxAlphaBits"), "");
  EXPECT_FALSE(Shown("lbxSignature"));
  EXPECT_FALSE(Shown("lbxPictureType"));
  EXPECT_FALSE(Shown("lbxMipmapCount"));
  EXPECT_FALSE(Shown("lblBLPMipmaps"));
  EXPECT_FALSE(Shown("boxBLPMipmaps"));
  EXPECT_TRUE(Shown("lblBLPSign"));
  // The list keeps its lines (hidden) until a BLP fills it again.
  EXPECT_EQ(panel_.findChild<QListWidget*>("boxBLPMipmaps")->count(), 1);
}

// What the columns need: every character as wide as any other.
TEST(MipmapListFont, KeepsColumnsInLine) {
  const QFontMetrics metrics(MipmapListFont());
  EXPECT_EQ(metrics.horizontalAdvance(" 1 | 1"), metrics.horizontalAdvance("W#|WWW"));
}

}  // namespace
}  // namespace ondrel
