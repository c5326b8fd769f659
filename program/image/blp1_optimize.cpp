#include "blp1_optimize.hpp"

#include <algorithm>
#include <array>

#include "blp1_header.hpp"
#include "blp1_levels.hpp"

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
  if (kBlp1JpegHeaderAt + oldHeaderSize > source.size()) Refuse("the JPEG header lies outside the file");
  const Bytes oldShared = source.subspan(kBlp1JpegHeaderAt, static_cast<std::size_t>(oldHeaderSize));

  // Every level is read where its entry points and written back to back, so gaps before,
  // between and after the levels all disappear. Entries are the header's idea of the chain:
  // the comment codec and the decoders count levels from the header's sides too.
  const int levelCount = MipmapCountOf(header);
  const auto kinds = ClassifyLevelEntries(header, source.size(), levelCount);
  if (kinds[0] != LevelEntry::Level) Refuse("level 0 is empty or lies outside the file");
  for (int i = 0; i < levelCount; ++i)
    if (kinds[i] == LevelEntry::Outside) Refuse("a level lies outside the file");
  auto levelStream = [&](int i) {
    const Bytes data = source.subspan(MipmapOffset(header, i), MipmapSize(header, i));
    std::vector<std::uint8_t> stream(oldShared.begin(), oldShared.end());
    stream.insert(stream.end(), data.begin(), data.end());
    return stream;
  };

  const Split level0 = SplitStream(levelStream(0));
  std::vector<std::uint8_t> target(header.begin(), header.end());
  target.resize(kBlp1JpegHeaderAt);
  target.insert(target.end(), level0.header.begin(), level0.header.end());
  Blp1Header out = header;
  // Entries naming the same bytes keep naming the same (rewritten) bytes, so a repeated level
  // is stored once and copies stay copies.
  struct Moved {
    std::uint32_t oldOffset, oldSize, newOffset, newSize;
  };
  std::vector<Moved> moved;
  for (int i = 0; i < levelCount; ++i) {
    if (kinds[i] == LevelEntry::Empty) continue;  // no level: stays empty
    const std::uint32_t offset = MipmapOffset(header, i), size = MipmapSize(header, i);
    const auto same = std::find_if(moved.begin(), moved.end(), [&](const Moved& m) {
      return m.oldOffset == offset && m.oldSize == size;
    });
    if (same != moved.end()) {
      SetMipmapOffset(out, i, same->newOffset);
      SetMipmapSize(out, i, same->newSize);
      continue;
    }
    const Split level = i == 0 ? level0 : SplitStream(levelStream(i));
    // One shared header must complete every level; refuse rather than change pixels.
    if (level.header != level0.header) Refuse("the levels do not share their JPEG tables");
    if (target.size() + level.data.size() > 0xFFFFFFFFu) Refuse("the result exceeds 4 GiB");
    moved.push_back({offset, size, static_cast<std::uint32_t>(target.size()),
                     static_cast<std::uint32_t>(level.data.size())});
    SetMipmapOffset(out, i, moved.back().newOffset);
    SetMipmapSize(out, i, moved.back().newSize);
    target.insert(target.end(), level.data.begin(), level.data.end());
  }
  // Entries past the chain are cleared unless they point past the file (a comment's bytes).
  for (int i = levelCount; i < 16; ++i) {
    const std::uint32_t end = MipmapOffset(out, i) + MipmapSize(out, i);  // 32-bit, as stored
    if (end <= source.size()) {
      SetMipmapOffset(out, i, 0);
      SetMipmapSize(out, i, 0);
    }
  }
  std::copy(out.begin(), out.end(), target.begin());
  PutU32(target, kBlp1JpegHeaderSizeAt, static_cast<std::uint32_t>(level0.header.size()));
  return target;
}

}  // namespace ondrel
