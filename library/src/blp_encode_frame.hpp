// The frame shared by the three BLP encoders: the level chain (which levels, what sizes), the
// mipmap bitmaps made by halving and Lanczos resampling, the tables of the record and the two
// file headers. Private to the encoders.
#pragma once

#include <cstdint>
#include <vector>

#include "block.hpp"
#include "blp_format.hpp"
#include "bytes.hpp"
#include "image_view.hpp"
#include "ormel_blp.h"

namespace ormel::blp::encode {

inline std::uint64_t PixelCount(LevelSize size) { return std::uint64_t{size.width} * size.height; }

// Levels 0..M to write and L, the level at which the longer side reaches 1.
struct LevelPlan {
  std::vector<LevelSize> levels;
  unsigned longest = 0;  // L
};

// Each side halves down to its floor: PixelFloor() for JPEG and paletted content, DxtFloor()
// of the level-0 size for DXT content.
LevelPlan PlanLevels(std::uint32_t width, std::uint32_t height, std::uint32_t mipmapsMinus1,
                     SideFloor floor);

// The chain of level bitmaps. Level 0 is the caller's pixels, borrowed until an encoder asks
// to write into it (error diffusion), and only then copied, so the caller's buffer is never
// changed and a save without diffusion holds no second copy of a large image. Each later
// level is resampled from the current one, including whatever the encoder wrote into it.
class MipmapChain {
 public:
  MipmapChain(ConstBytes level0, LevelSize size);
  ImageView Current() const;
  ConstBytes CurrentBytes() const;
  MutableImageView CurrentForWriting();
  // Makes the next level from the current bitmap.
  void Advance(LevelSize next);

 private:
  ConstBytes borrowed_;  // level 0 while nothing has been written into it
  std::vector<std::uint8_t> current_;
  std::vector<std::uint8_t> previous_;
  LevelSize size_;
  bool owned_ = false;
};

// Where each written level went, in file order.
struct LevelTable {
  std::vector<std::uint32_t> offsets;
  std::vector<std::uint32_t> sizes;
  void Add(std::uint64_t offset, std::uint64_t size);
};

// Entries 0..M from the table, M+1..min(L, 15) repeating M, the rest as the caller left them.
void StoreTables(const LevelTable& table, unsigned longest, TBLPHeader& header);

// The 156-byte BLP1 or 148-byte BLP2 header, from the record (tables already stored).
void WriteHeader(Version version, const TBLPHeader& header, Bytes out);

// Refuses a file that would not fit the 32-bit offsets and sizes of the format.
void RequireFileFits(std::uint64_t fileBytes);

// The three encoders, each handed a validated record.
Block EncodeJpeg(ConstBytes pixels, TBLPHeader& header);
Block EncodePaletted(ConstBytes pixels, TBLPHeader& header, Version version);
Block EncodeDxt(ConstBytes pixels, TBLPHeader& header);

}  // namespace ormel::blp::encode
