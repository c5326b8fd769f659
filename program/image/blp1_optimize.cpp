#include "blp1_optimize.hpp"

#include <algorithm>
#include <array>

#include "blp1_header.hpp"

namespace ondrel {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kSoi = 0xD8FF, kEoi = 0xD9FF, kSof0 = 0xC0FF, kSof2 = 0xC2FF,
                        kDht = 0xC4FF, kDqt = 0xDBFF, kSos = 0xDAFF, kCom = 0xFEFF,
                        kApp0 = 0xE0FF;

struct Segment {
  std::uint16_t marker = 0;  // the two marker bytes as a little-endian value
  std::size_t offset = 0;    // of the marker's first byte in the stream
  std::size_t length = 0;    // the big-endian length field; 0 for SOI and EOI
  bool shared = false;
  bool keep = false;
  std::size_t end() const { return offset + 2 + length; }
  bool isFrame() const { return marker == kSof0 || marker == kSof2; }
};

[[noreturn]] void Refuse(const char* why) { throw OptimizeError(std::string("BLP1 optimizer: ") + why); }

std::uint16_t BigEndian16(Bytes s, std::size_t at) {
  return static_cast<std::uint16_t>((s[at] << 8) | s[at + 1]);
}

// The segments from SOI up to and including the first SOS; every one lies inside the stream.
std::vector<Segment> ListSegments(Bytes stream) {
  std::vector<Segment> list;
  std::size_t pos = 0;
  bool progressive = false;
  while (pos + 2 <= stream.size()) {
    Segment seg;
    seg.marker = static_cast<std::uint16_t>(stream[pos] | (stream[pos + 1] << 8));
    if (seg.marker < 0xC0FF || seg.marker > 0xFEFF) break;  // not a marker: the list ends
    seg.offset = pos;
    if (seg.marker != kSoi && seg.marker != kEoi) {
      if (pos + 4 > stream.size()) Refuse("a segment length lies outside the stream");
      seg.length = BigEndian16(stream, pos + 2);
      if (seg.length < 2) Refuse("a segment length is below 2");
      if (seg.end() > stream.size()) Refuse("a segment lies outside the stream");
    }
    if (seg.marker == kSof2) progressive = true;
    seg.shared = (seg.marker == kSoi || seg.marker == kDqt || seg.marker == kDht) && !progressive;
    // Every table segment is kept: dropping a second DQT would lose quantization tables.
    seg.keep = seg.marker != kCom && seg.marker != kApp0;
    list.push_back(seg);
    pos = seg.end();
    if (seg.marker == kSos) return list;
  }
  Refuse("no scan header in the first stream");
}

// One level's stream split into the header all levels share and the level's own data.
struct Split {
  std::vector<std::uint8_t> header;
  std::vector<std::uint8_t> data;
  std::uint16_t width = 0, height = 0;
};

Split SplitStream(Bytes stream) {
  const auto list = ListSegments(stream);
  const auto frame = std::find_if(list.begin(), list.end(), [](const Segment& s) { return s.isFrame(); });
  if (frame == list.end()) Refuse("no frame header before the first scan");
  // Every frame header is cut after its sample precision, and the first is read for its size.
  for (const auto& s : list)
    if (s.isFrame() && s.length < 7) Refuse("a frame header is too short");
  // The frame header is cut after its sample precision only when its remainder is the first
  // thing of the level data; otherwise the joined stream would not be valid.
  const auto firstOwn = std::find_if(list.begin(), list.end(),
                                     [](const Segment& s) { return s.keep && !s.shared; });
  const bool cutFrame = firstOwn == frame;
  Split split;
  split.height = BigEndian16(stream, frame->offset + 5);
  split.width = BigEndian16(stream, frame->offset + 7);
  auto append = [&](std::vector<std::uint8_t>& to, std::size_t from, std::size_t to_end) {
    to.insert(to.end(), stream.begin() + static_cast<std::ptrdiff_t>(from),
              stream.begin() + static_cast<std::ptrdiff_t>(to_end));
  };
  for (const auto& s : list)
    if (s.shared && s.keep) append(split.header, s.offset, s.end());
  if (cutFrame)
    for (const auto& s : list)
      if (s.isFrame()) append(split.header, s.offset, s.offset + 5);
  for (const auto& s : list) {
    if (!s.keep || s.shared) continue;
    if (s.isFrame() && cutFrame)
      append(split.data, s.offset + 5, s.end());
    else
      append(split.data, s.offset, s.end());
  }
  append(split.data, list.back().end(), stream.size());
  return split;
}

}  // namespace

std::vector<std::uint8_t> OptimizeJpegBlpImage(Bytes source) {
  if (source.size() < kBlp1JpegHeaderAt) Refuse("the file is shorter than its header");
  if (GetU32(source, 0) != 0x31504C42u || GetU32(source, kBlp1CompressionAt) != 0)
    Refuse("not a BLP1 file with JPEG content");
  Blp1Header header;
  std::copy_n(source.begin(), kBlp1HeaderSize, header.begin());
  const std::uint64_t oldHeaderSize = GetU32(source, kBlp1JpegHeaderSizeAt);
  const std::uint64_t dataStart = kBlp1JpegHeaderAt + oldHeaderSize;
  if (dataStart > source.size()) Refuse("the JPEG header lies outside the file");

  // Level data read from the source through an offset shift instead of a copied gap-free
  // image: the gap between the JPEG header and level 0 disappears from every entry.
  const std::uint32_t first = MipmapOffset(header, 0);
  if (first < dataStart || first > source.size()) Refuse("level 0 lies outside the file");
  const std::uint32_t gap = static_cast<std::uint32_t>(first - dataStart);
  if (gap != 0) {
    for (int i = 0; i < 16; ++i) {
      if (MipmapOffset(header, i) == 0 || MipmapSize(header, i) == 0) break;
      if (MipmapOffset(header, i) < gap) Refuse("a level lies inside the gap");
      SetMipmapOffset(header, i, MipmapOffset(header, i) - gap);
    }
  }
  auto levelBytes = [&](int i) -> Bytes {
    const std::uint64_t at = std::uint64_t{MipmapOffset(header, i)} + gap;
    const std::uint64_t size = MipmapSize(header, i);
    if (at > source.size() || size > source.size() - at) Refuse("a level lies outside the file");
    return source.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
  };
  const Bytes oldShared = source.subspan(kBlp1JpegHeaderAt, static_cast<std::size_t>(oldHeaderSize));
  auto levelStream = [&](int i) {
    const Bytes data = levelBytes(i);
    std::vector<std::uint8_t> stream(oldShared.begin(), oldShared.end());
    stream.insert(stream.end(), data.begin(), data.end());
    return stream;
  };

  if (MipmapSize(header, 0) == 0) Refuse("level 0 is empty");
  const Split level0 = SplitStream(levelStream(0));
  const int levelCount = MipmapCountFor(level0.width, level0.height);
  // The levels stored back to back. Not CountStoredMipmaps: it also ends the run at a level
  // whose size equals the previous one, and such a real level would be replaced by a copy of
  // its predecessor. The encoder's copies of the last level share its offset, so the chain of
  // offsets alone ends before them.
  int present = 1;
  while (present < std::min(MipmapCountOf(header), 16) &&
         std::uint64_t{MipmapOffset(header, present)} ==
             std::uint64_t{MipmapOffset(header, present - 1)} + MipmapSize(header, present - 1))
    ++present;

  std::vector<std::uint8_t> target(header.begin(), header.end());
  target.resize(kBlp1JpegHeaderAt);
  target.insert(target.end(), level0.header.begin(), level0.header.end());
  Blp1Header out = header;
  int written = 0;
  for (int i = 0; i < present; ++i) {
    if (MipmapOffset(header, i) == 0 || MipmapSize(header, i) == 0) break;
    const Split level = i == 0 ? level0 : SplitStream(levelStream(i));
    // One shared header must complete every level; refuse rather than change pixels.
    if (level.header != level0.header) Refuse("the levels do not share their JPEG tables");
    SetMipmapOffset(out, i, static_cast<std::uint32_t>(target.size()));
    SetMipmapSize(out, i, static_cast<std::uint32_t>(level.data.size()));
    target.insert(target.end(), level.data.begin(), level.data.end());
    written = i + 1;
  }
  for (int i = written; i < std::min(levelCount, 16); ++i) {
    SetMipmapOffset(out, i, MipmapOffset(out, written - 1));
    SetMipmapSize(out, i, MipmapSize(out, written - 1));
  }
  // Entries past the chain are cleared unless they point past the file (a comment's bytes).
  for (int i = std::max(levelCount, written); i < 16; ++i) {
    const std::uint32_t end = MipmapOffset(out, i) + MipmapSize(out, i);  // 32-bit, as stored
    if (end <= source.size()) {
      SetMipmapOffset(out, i, 0);
      SetMipmapSize(out, i, 0);
    }
  }
  if (target.size() > 0xFFFFFFFFu) Refuse("the result exceeds 4 GiB");
  std::copy(out.begin(), out.end(), target.begin());
  PutU32(target, kBlp1JpegHeaderSizeAt, static_cast<std::uint32_t>(level0.header.size()));
  return target;
}

}  // namespace ondrel
