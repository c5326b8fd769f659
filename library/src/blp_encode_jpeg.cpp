// BLP1 with JPEG content: every level is a four-component JPEG stream (blue, green, red and
// alpha coded as independent channels). With merged headers the table segments of level 0
// are stored once, after the header, and cut from every level's stream.
#include <algorithm>
#include <cstring>

#include "blp_encode_frame.hpp"
#include "jpeg_codec.hpp"

namespace ormel::blp::encode {
namespace {

// The fixed layout of a four-component stream from our codec: SOI, one 8-bit quantization
// table, the frame header, and for baseline the DC and AC Huffman tables before the scan.
constexpr std::size_t kQuantTableAt = 2;
constexpr std::size_t kFrameAt = 71;
constexpr std::size_t kFrameEnd = 93;       // 22-byte frame header for four components
constexpr std::size_t kFrameFieldsAt = 76;  // height, width, components after 5 bytes
constexpr std::size_t kAcTableAt = 126;
constexpr std::size_t kScanAt = 309;
constexpr std::uint32_t kBaselineShared = 292;
constexpr std::uint32_t kProgressiveShared = 76;
constexpr std::size_t kJpegLengthField = 156;
constexpr std::uint32_t kFirstLevelAt = 160;

bool SegmentAt(ConstBytes s, std::size_t at, std::uint8_t marker, std::size_t length) {
  return at + 4 <= s.size() && s[at] == 0xFF && s[at + 1] == marker &&
         LoadU16BE(s.data() + at + 2) == length;
}

// The cut positions hold only for this layout; a codec that wrote anything else would make
// files whose levels cannot be reassembled, so refuse rather than write one.
void RequireLayout(ConstBytes s, bool progressive) {
  bool ok = s.size() > (progressive ? kFrameEnd : kScanAt + 2) && s[0] == 0xFF && s[1] == 0xD8 &&
            SegmentAt(s, kQuantTableAt, 0xDB, 67) &&
            SegmentAt(s, kFrameAt, progressive ? 0xC2 : 0xC0, 20);
  if (!progressive)
    ok = ok && SegmentAt(s, kFrameEnd, 0xC4, 31) && SegmentAt(s, kAcTableAt, 0xC4, 181) &&
         s[kScanAt] == 0xFF && s[kScanAt + 1] == 0xDA;
  if (!ok) throw JpegError("ormel: JPEG stream layout unfit for a shared BLP1 header");
}

void Append(std::vector<std::uint8_t>& file, ConstBytes bytes) {
  file.insert(file.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> SharedHeader(ConstBytes s, bool progressive) {
  if (progressive) return {s.begin(), s.begin() + kProgressiveShared};
  // Tables first, then the start of the frame header, so the level data can go on with it.
  std::vector<std::uint8_t> shared(kBaselineShared);
  auto out = std::copy_n(s.begin(), kFrameAt, shared.begin());
  out = std::copy_n(s.begin() + kFrameEnd, kScanAt - kFrameEnd, out);
  std::copy_n(s.begin() + kFrameAt, kFrameFieldsAt - kFrameAt, out);
  return shared;
}

// Every level must carry the tables of level 0, or the shared header would not complete it.
void RequireSameTables(ConstBytes s, const std::vector<std::uint8_t>& shared, bool progressive) {
  const bool same = SharedHeader(s, progressive) == shared;
  if (!same) throw JpegError("ormel: JPEG levels differ in their tables; cannot share a header");
}

void AppendLevelData(std::vector<std::uint8_t>& file, ConstBytes s, bool merged, bool progressive) {
  if (!merged) {
    Append(file, s);
  } else if (progressive) {
    Append(file, s.subspan(kProgressiveShared));
  } else {
    Append(file, s.subspan(kFrameFieldsAt, kFrameEnd - kFrameFieldsAt));
    Append(file, s.subspan(kScanAt));
  }
}

}  // namespace

Block EncodeJpeg(ConstBytes pixels, TBLPHeader& header) {
  const bool merged = header.FlagA != 0;
  const bool progressive = header.FlagB != 0;
  const int quality = static_cast<std::uint8_t>(header.ColorsOrQuality);
  const std::uint32_t sharedBytes = !merged       ? 0
                                    : progressive ? kProgressiveShared
                                                  : kBaselineShared;
  const LevelPlan plan =
      PlanLevels(header.Width, header.Height, header.MipmapsMinus1, PixelFloor());

  std::vector<std::uint8_t> file(kFirstLevelAt, 0);
  StoreU32LE(file.data() + kJpegLengthField, sharedBytes);
  std::vector<std::uint8_t> shared;
  LevelTable table;
  MipmapChain chain(pixels, plan.levels.front());
  for (std::size_t m = 0; m < plan.levels.size(); ++m) {
    if (m > 0) chain.Advance(plan.levels[m]);
    const LevelSize level = plan.levels[m];
    const Block stream = jpeg::Encode(chain.CurrentBytes(), level.width, level.height, quality,
                                      progressive, jpeg::Mode::FourChannel);
    const ConstBytes s = stream.bytes();
    if (merged) {
      RequireLayout(s, progressive);
      if (m == 0) {
        shared = SharedHeader(s, progressive);
        Append(file, shared);
      } else {
        RequireSameTables(s, shared, progressive);
      }
    }
    const std::size_t start = file.size();
    AppendLevelData(file, s, merged, progressive);
    table.Add(start, file.size() - start);
  }

  StoreTables(table, plan.longest, header);
  WriteHeader(Version::Blp1, header, Bytes(file).first(blp1::kHeaderBytes));
  Block out = Block::Allocate(file.size());
  std::memcpy(out.data(), file.data(), file.size());
  return out;
}

}  // namespace ormel::blp::encode
