// BLP2 with DXT content: DXT5 blocks when the record asks for 8 bits of alpha, DXT1 otherwise.
// The output is sized from the level chain in advance and every level's blocks are encoded
// straight into it.
#include "blp_encode_frame.hpp"
#include "dxt.hpp"

namespace ormel::blp::encode {

Block EncodeDxt(ConstBytes pixels, TBLPHeader& header) {
  const bool alphaBlock = header.AlphaDepth == 8;
  const auto format = alphaBlock ? dxt::Format::Dxt5 : dxt::Format::Dxt1;
  const LevelPlan plan = PlanLevels(header.Width, header.Height, header.MipmapsMinus1,
                                    DxtFloor(header.Width, header.Height));

  // Whole blocks per level, so edge pixels of sides that are not multiples of 4 survive.
  LevelTable table;
  std::uint64_t offset = blp2::kHeaderBytes;
  for (const LevelSize& level : plan.levels) {
    const std::uint64_t bytes = dxt::LevelBytes(format, level.width, level.height);
    table.Add(offset, bytes);
    offset += bytes;
  }
  Block file = Block::Allocate(static_cast<std::size_t>(offset));

  MipmapChain chain(pixels, plan.levels.front());
  for (std::size_t m = 0; m < plan.levels.size(); ++m) {
    if (m > 0) chain.Advance(plan.levels[m]);
    const LevelSize level = plan.levels[m];
    dxt::EncodeDxtImage(chain.CurrentBytes(), level.width, level.height, 4, alphaBlock,
                        header.FlagB != 0, file.bytes().subspan(table.offsets[m], table.sizes[m]));
  }

  StoreTables(table, plan.longest, header);
  TBLPHeader fileFields = header;
  fileFields.Encoding = 2;
  // A DXT5 file must say so: any other alpha encoding with 8 alpha bits reads as DXT1 or DXT3.
  if (alphaBlock) fileFields.AlphaEncoding = 7;
  WriteHeader(Version::Blp2, fileFields, file.bytes());
  return file;
}

}  // namespace ormel::blp::encode
