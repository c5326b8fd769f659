#include "info_panel.hpp"

#include <type_traits>

namespace ondrel {
namespace {

// Numbers of the CAPTIONS table.
enum Caption : int {
  kBlp1Signature = 5, kJpegPicture = 6, kJpegCompression = 7, kPaletted = 8,
  kPalettedAlpha = 9, kPalettedHighType = 10, kBitsUnit = 11, kIrregular = 12,
  kHeaderUnit = 15, kBlp2Signature = 16, kDxt1 = 17, kDxt3 = 18, kDxt5 = 19,
  kDxtCompression = 20, kTrueColour = 21, kJpegQualityCaption = 22, kColoursCaption = 23,
  kColoursUnit = 24, kProgressive = 25, kCompressionCaption = 26, kAlphaCaption = 27,
  kHeaderCaption = 28, kOriginCaption = 29, kPngCompressionCaption = 30, kTopLeft = 31,
  kBottomLeft = 32, kNoCompression = 33, kRunLength = 34, kTgaSignature = 35,
  kPngSignature = 36, kJpgSignature = 37, kDdsSignature = 38, kQualityUnknown = 39,
  kInterlaced = 40,
};

class Builder {
 public:
  explicit Builder(const QStringList& captions) : captions_(captions) {}

  QString operator[](Caption c) const { return captions_.value(c); }
  QString Bits(std::uint32_t bits) const { return QString::number(bits) + ' ' + (*this)[kBitsUnit]; }
  QString Irregular(QString text) const { return text + " (" + (*this)[kIrregular] + ')'; }
  QString Quality(std::uint32_t estimate) const {
    return estimate == 255 ? (*this)[kQualityUnknown] : QString::number(estimate) + " %";
  }
  QString Colours(std::uint32_t count) const {
    return QString::number(count) + ' ' + (*this)[kColoursUnit];
  }

  InfoPanelTexts Blp(const BlpFacts& f, QSize levelZero) const {
    const auto& t = *this;
    InfoPanelTexts p;
    p.compressionCaption = t[kCompressionCaption];
    p.alphaCaption = t[kAlphaCaption];
    p.headerCaption = t[kHeaderCaption];
    p.header = QString::number(f.AuxSize) + ' ' + t[kHeaderUnit];
    if (f.isBlp1()) {
      p.signature = t[kBlp1Signature];
      p.alpha = Bits(f.AlphaBits);
      if (f.AlphaBits != 0 && f.AlphaBits != 8) p.alpha = Irregular(p.alpha);
      if (f.Compression == 0) {
        p.compression = t[kJpegCompression];
        p.pictureType = f.Progressive ? t[kProgressive] : t[kJpegPicture];
        p.qualityCaption = t[kJpegQualityCaption];
        p.quality = Quality(f.UsedColorsOrQuality);
      } else {
        p.compression = t[kNoCompression];
        p.pictureType = f.PictureType > 4 ? t[kPalettedHighType] : t[kPalettedAlpha];
        p.qualityCaption = t[kColoursCaption];
        p.quality = Colours(f.UsedColorsOrQuality);
      }
    } else {
      p.signature = t[kBlp2Signature];
      p.alpha = Bits(f.AlphaDepth);
      switch (f.Encoding) {
        case 1:  // paletted
          p.compression = t[kNoCompression];
          p.pictureType = f.AlphaDepth != 0 ? t[kPalettedAlpha] : t[kPaletted];
          break;
        case 2:  // DXT
          p.compression = t[kDxtCompression];
          p.pictureType = f.AlphaEncoding == 0   ? t[kDxt1]
                          : f.AlphaEncoding == 1 ? t[kDxt3]
                          : f.AlphaEncoding == 7 ? t[kDxt5]
                                                 : QString();
          if (f.AlphaDepth != 0 && f.AlphaDepth != 1 && f.AlphaDepth != 4 && f.AlphaDepth != 8)
            p.alpha = Irregular(p.alpha);
          break;
        default:  // four bytes a pixel, as other writers store them
          p.compression = t[kNoCompression];
          p.pictureType = t[kTrueColour];
          break;
      }
    }
    p.mipmapRowShown = p.mipmapListShown = true;
    MipmapTable table;
    table.offsets = f.MipmapOffsets;
    table.sizes = f.MipmapSizes;
    table.fileSize = f.FileSize;
    table.blp1 = f.isBlp1();
    table.levelZero = levelZero;
    p.mipmaps = BuildMipmapList(table, captions_);
    p.mipmapCount = p.mipmaps->countText;
    return p;
  }

  InfoPanelTexts Tga(const TgaFacts& f) const {
    const auto& t = *this;
    InfoPanelTexts p;
    p.signature = t[kTgaSignature];
    p.compressionCaption = t[kCompressionCaption];
    p.compression = f.Rle ? t[kRunLength] : t[kNoCompression];
    p.pictureType = f.Paletted ? t[kPaletted] : t[kTrueColour];
    p.alphaCaption = t[kAlphaCaption];
    p.alpha = Bits(f.AlphaBits == 8 ? 8 : 0);
    p.headerCaption = t[kOriginCaption];
    p.header = f.TopLeft ? t[kTopLeft] : t[kBottomLeft];
    if (f.Paletted) {
      p.qualityCaption = t[kColoursCaption];
      p.quality = Colours(f.Colors);
    }
    return p;
  }

  InfoPanelTexts Jpeg(const JpegFacts& f) const {
    const auto& t = *this;
    InfoPanelTexts p;
    p.signature = t[kJpgSignature];
    p.compressionCaption = t[kCompressionCaption];
    p.compression = Quality(f.Quality);
    p.pictureType = f.Progressive ? t[kProgressive] : t[kJpegPicture];
    return p;
  }

  InfoPanelTexts Png(const PngFacts& f) const {
    const auto& t = *this;
    InfoPanelTexts p;
    p.signature = t[kPngSignature];
    p.compressionCaption = t[kPngCompressionCaption];
    p.compression = f.interlaced ? t[kInterlaced] : t[kNoCompression];
    p.pictureType = f.paletted ? t[kPaletted] : t[kTrueColour];
    p.alphaCaption = t[kAlphaCaption];
    p.alpha = Bits(f.alphaBits == 8 ? 8 : 0);
    return p;
  }

  InfoPanelTexts Dds(const DdsFacts& f) const {
    const auto& t = *this;
    InfoPanelTexts p;
    p.signature = t[kDdsSignature];
    p.compressionCaption = t[kCompressionCaption];
    p.compression = f.Compressed ? t[kDxtCompression] : t[kNoCompression];
    // The facts give the DXT kind as its alpha bits: DXT1 0, DXT3 4, DXT5 8.
    p.pictureType = !f.Compressed        ? t[kTrueColour]
                    : f.AlphaBits == 0 ? t[kDxt1]
                    : f.AlphaBits == 4 ? t[kDxt3]
                                       : t[kDxt5];
    p.alphaCaption = t[kAlphaCaption];
    p.alpha = Bits(std::uint32_t(f.AlphaBits));
    p.mipmapRowShown = true;
    p.mipmapCount = QString::number(f.MipmapCount);
    return p;
  }

  InfoPanelTexts Bmp() const {
    InfoPanelTexts p;
    p.signatureShown = false;
    return p;
  }

 private:
  const QStringList& captions_;
};

}  // namespace

std::optional<InfoPanelTexts> BuildInfoPanel(const ImageFacts& facts, QSize levelZero,
                                             const QStringList& captions) {
  const Builder builder(captions);
  return std::visit(
      [&](const auto& f) -> std::optional<InfoPanelTexts> {
        using F = std::decay_t<decltype(f)>;
        if constexpr (std::is_same_v<F, BlpFacts>) return builder.Blp(f, levelZero);
        else if constexpr (std::is_same_v<F, TgaFacts>) return builder.Tga(f);
        else if constexpr (std::is_same_v<F, JpegFacts>) return builder.Jpeg(f);
        else if constexpr (std::is_same_v<F, PngFacts>) return builder.Png(f);
        else if constexpr (std::is_same_v<F, DdsFacts>) return builder.Dds(f);
        else if constexpr (std::is_same_v<F, BmpFacts>) return builder.Bmp();
        else return std::nullopt;
      },
      facts);
}

bool IsBlp1(const ImageFacts& facts) {
  const auto* blp = std::get_if<BlpFacts>(&facts);
  return blp != nullptr && blp->isBlp1();
}

}  // namespace ondrel
