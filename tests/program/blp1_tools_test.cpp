// The BLP1 byte tools: mipmap counts, the hidden comment, and the comment's text form.
#include <gtest/gtest.h>

#include <cstring>

#include "blp1_comment.hpp"
#include "blp1_header.hpp"
#include "comment_text.hpp"

using namespace ondrel;

namespace {

Blp1Header HeaderOf(std::uint32_t w, std::uint32_t h) {
  Blp1Header header{};
  std::memcpy(header.data(), "BLP1", 4);
  PutU32(header, kBlp1WidthAt, w);
  PutU32(header, kBlp1HeightAt, h);
  return header;
}

}  // namespace

TEST(MipmapCountFor, Table) {
  struct Case {
    std::uint16_t w, h;
    int count;
  } cases[] = {{0, 0, 1}, {1, 1, 1}, {2, 1, 2}, {256, 128, 9}, {255, 3, 8},
               {300, 200, 9}, {32767, 1, 15}, {32768, 1, 16}, {65535, 65535, 16}};
  for (const auto& c : cases) EXPECT_EQ(MipmapCountFor(c.w, c.h), c.count) << c.w << "x" << c.h;
  // The header's fields count by their low 16 bits.
  EXPECT_EQ(MipmapCountOf(HeaderOf(0x10100, 1)), 9);
}

TEST(CountStoredMipmaps, StopsAtRepeatsAndGaps) {
  auto header = HeaderOf(16, 16);  // 5 levels
  const std::uint32_t sizes[] = {100, 50, 20, 20, 20};
  std::uint32_t offset = 160;
  for (int i = 0; i < 5; ++i) {
    SetMipmapOffset(header, i, offset);
    SetMipmapSize(header, i, sizes[i]);
    offset += sizes[i];
  }
  // Level 3 repeats level 2's size: the encoder's copy of the last level.
  EXPECT_EQ(CountStoredMipmaps(header), 3);
  SetMipmapSize(header, 3, 10);
  SetMipmapSize(header, 4, 5);
  SetMipmapOffset(header, 4, MipmapOffset(header, 3) + 10);
  EXPECT_EQ(CountStoredMipmaps(header), 5);
  SetMipmapOffset(header, 2, MipmapOffset(header, 2) + 1);  // a gap ends the run
  EXPECT_EQ(CountStoredMipmaps(header), 2);
  // Offsets whose 32-bit sum would wrap around never match.
  auto wrap = HeaderOf(4, 4);
  SetMipmapOffset(wrap, 0, 0xFFFFFFF0u);
  SetMipmapSize(wrap, 0, 0x20);
  SetMipmapOffset(wrap, 1, 0x10);
  SetMipmapSize(wrap, 1, 1);
  EXPECT_EQ(CountStoredMipmaps(wrap), 1);
}

TEST(BlpComment, KeyIsComplementOfCrc32) {
  const std::string abc = "abc";
  EXPECT_EQ(CommentKey({reinterpret_cast<const std::uint8_t*>(abc.data()), 3}), 0xCADBBE3Du);
}

TEST(BlpComment, CapacityAndLayout256) {
  auto header = HeaderOf(256, 256);  // n = 9
  EXPECT_EQ(CommentCapacity(header), 52);
  const std::string text(52, 'x');
  WriteBlpComment(header, text);
  EXPECT_EQ(MipmapOffset(header, 9), CommentKey({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
  for (int i = 10; i < 16; ++i) EXPECT_NE(MipmapOffset(header, i), 0u);
  for (int i = 9; i < 16; ++i) EXPECT_NE(MipmapSize(header, i), 0u);
  EXPECT_EQ(ReadBlpComment(header), text);
  // A longer text is cut at the capacity.
  WriteBlpComment(header, std::string(80, 'y'));
  EXPECT_EQ(ReadBlpComment(header), std::string(52, 'y'));
}

TEST(BlpComment, RealMipmapsUntouched) {
  auto header = HeaderOf(64, 64);  // n = 7
  for (int i = 0; i < 7; ++i) {
    SetMipmapOffset(header, i, 1000 + i);
    SetMipmapSize(header, i, 50 + i);
  }
  WriteBlpComment(header, "hello, world");
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(MipmapOffset(header, i), 1000u + i);
    EXPECT_EQ(MipmapSize(header, i), 50u + i);
  }
  EXPECT_EQ(ReadBlpComment(header), "hello, world");
}

TEST(BlpComment, OffsetTableExactlyFullLeavesSizeEntryZero) {
  auto header = HeaderOf(256, 256);
  const std::string text(4 * (15 - 9), 'q');
  WriteBlpComment(header, text);
  EXPECT_EQ(MipmapSize(header, 9), 0u);
  EXPECT_EQ(ReadBlpComment(header), text);
}

TEST(BlpComment, PartialLastEntryAndOddLengths) {
  for (std::size_t len = 1; len <= 20; ++len) {
    auto header = HeaderOf(128, 32);
    std::string text;
    for (std::size_t i = 0; i < len; ++i) text.push_back(char('A' + i));
    WriteBlpComment(header, text);
    EXPECT_EQ(ReadBlpComment(header), text) << len;
  }
}

TEST(BlpComment, EmptyClearsOlderComment) {
  auto header = HeaderOf(256, 256);
  WriteBlpComment(header, std::string(40, 'z'));
  WriteBlpComment(header, "");
  for (int i = 9; i < 16; ++i) {
    EXPECT_EQ(MipmapOffset(header, i), 0u);
    EXPECT_EQ(MipmapSize(header, i), 0u);
  }
  EXPECT_EQ(ReadBlpComment(header), "");
}

TEST(BlpComment, HugeImagesHaveNoRoom) {
  auto header = HeaderOf(32768, 4);
  EXPECT_EQ(CommentCapacity(header), 0);
  EXPECT_EQ(ReadBlpComment(header), "");
  const Blp1Header before = header;
  EXPECT_THROW(WriteBlpComment(header, "x"), std::length_error);
  EXPECT_EQ(header, before);
  EXPECT_NO_THROW(WriteBlpComment(header, ""));
  EXPECT_EQ(header, before);  // the level tables of such an image are all real levels
}

TEST(CommentText, Utf8WithCrLfCountsBytes) {
  const QString text = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e\nzwei");
  const std::string bytes = CommentBytesFromText(text, 100);
  EXPECT_EQ(bytes, "Gr\xC3\xBC\xC3\x9F" "e\r\nzwei");
  EXPECT_EQ(CommentTextFromBytes(bytes), text);
  // Cut at the capacity on a character boundary: never half of a UTF-8 sequence or CR LF.
  EXPECT_EQ(CommentBytesFromText(text, 3), "Gr");
  EXPECT_EQ(CommentBytesFromText(text, 8), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(CommentBytesFromText(text, 9), "Gr\xC3\xBC\xC3\x9F" "e\r\n");
}

TEST(CommentText, InvalidUtf8ShownAsLatin1) {
  EXPECT_EQ(CommentTextFromBytes("caf\xE9"), QString::fromLatin1("caf\xE9"));
}

TEST(CommentText, RoundTripThroughHeader) {
  auto header = HeaderOf(64, 64);
  const QString text = QString::fromUtf8("line one\nline \xE2\x82\xAC two");
  WriteBlpComment(header, CommentBytesFromText(text, CommentCapacity(header)));
  EXPECT_EQ(CommentTextFromBytes(ReadBlpComment(header)), text);
}
