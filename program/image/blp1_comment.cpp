#include "blp1_comment.hpp"

#include <array>

namespace ondrel {
namespace {

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

// The comment's entries in packing order: offset[n+1..15], then size[n..15].
struct EntryRef {
  std::size_t at;
};
int CommentEntries(int n, std::array<EntryRef, 32>& out) {
  int count = 0;
  for (int i = n + 1; i < 16; ++i) out[count++] = {kBlp1OffsetsAt + 4 * std::size_t(i)};
  for (int i = n; i < 16; ++i) out[count++] = {kBlp1SizesAt + 4 * std::size_t(i)};
  return count;
}

}  // namespace

std::uint32_t CommentKey(std::span<const std::uint8_t> bytes) {
  const auto& table = CrcTable();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint16_t CommentCapacity(std::span<const std::uint8_t, kBlp1HeaderSize> header) {
  const int n = MipmapCountOf(header);
  return n >= 16 ? 0 : static_cast<std::uint16_t>(124 - 8 * n);
}

std::string ReadBlpComment(std::span<const std::uint8_t, kBlp1HeaderSize> header) {
  const int n = MipmapCountOf(header);
  if (n >= 16) return {};
  const std::uint32_t key = MipmapOffset(header, n);
  if (key == 0) return {};
  std::string text;
  std::array<EntryRef, 32> entries;
  const int count = CommentEntries(n, entries);
  const int inOffsets = 15 - n;
  for (int e = 0; e < count; ++e) {
    // The size table is read only when its first comment entry is in use.
    if (e == inOffsets && MipmapSize(header, n) == 0) break;
    const std::uint32_t stored = GetU32(header, entries[e].at);
    if (stored == 0) break;
    const std::uint32_t plain = stored ^ key;
    for (int b = 0; b < 4; ++b) {
      const char c = static_cast<char>((plain >> (8 * b)) & 0xFF);
      if (c == '\0') return text;
      text.push_back(c);
    }
  }
  return text;
}

void WriteBlpComment(std::span<std::uint8_t, kBlp1HeaderSize> header, const std::string& text) {
  const int n = MipmapCountOf(header);
  if (n >= 16) {
    if (!text.empty()) throw std::length_error("this image has no room for a comment");
    return;
  }
  for (int i = n; i < 16; ++i) {
    SetMipmapOffset(header, i, 0);
    SetMipmapSize(header, i, 0);
  }
  if (text.empty()) return;
  const std::uint32_t key =
      CommentKey({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  SetMipmapOffset(header, n, key);
  std::array<EntryRef, 32> entries;
  const int count = CommentEntries(n, entries);
  std::size_t pos = 0;
  for (int e = 0; e < count && pos < text.size(); ++e) {
    std::uint32_t value = 0;
    for (int b = 0; b < 4 && pos < text.size(); ++b, ++pos)
      value |= std::uint32_t{static_cast<std::uint8_t>(text[pos])} << (8 * b);
    PutU32(header, entries[e].at, value ^ key);
  }
}

}  // namespace ondrel
