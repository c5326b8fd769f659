// The hidden BLP1 comment: text kept in the unused entries of the mipmap offset and size
// tables, behind a key (the CRC-32 register of the text) and XORed with it, so every BLP
// reader still sees a valid file. The text is bytes (the program stores UTF-8, line breaks as
// CR LF); images with a side of 32768 or more have no unused entry and hold no comment.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "blp1_header.hpp"

namespace ondrel {

// The reflected CRC-32 register (polynomial 0xEDB88320, preset 0xFFFFFFFF, no final
// inversion) of the bytes: the bitwise complement of the usual CRC-32.
std::uint32_t CommentKey(std::span<const std::uint8_t> bytes);

// The comment bytes; empty when there is none.
std::string ReadBlpComment(std::span<const std::uint8_t, kBlp1HeaderSize> header);

// Clears every entry from level n on and stores the text (cut at the capacity). Throws
// std::length_error for a non-empty text when the image has no room for a comment at all.
void WriteBlpComment(std::span<std::uint8_t, kBlp1HeaderSize> header, const std::string& text);

// Bytes a comment may take: 124 - 8 n, or 0 when n is 16.
std::uint16_t CommentCapacity(std::span<const std::uint8_t, kBlp1HeaderSize> header);

}  // namespace ondrel
