/* ormel_blp: BLP, JPEG, TGA and DDS codecs between a file image in memory and packed pixels.
 *
 * Pixel buffers are packed rows, top row first; a 32-bit pixel is blue, green, red, alpha.
 * Loads write into a buffer the caller owns; saves return a block that only BLP_FreeMem releases.
 * Failures inside the library reach the caller as C++ exceptions derived from std::runtime_error
 * (see ormel_errors.hpp). The *Ex load functions take the length of the file image and of the
 * pixel buffer and never read or write outside them; prefer them. BLP_LoadFromMemoryEx also
 * refuses a level that passes the end of the file or a JPEG frame of another size than the
 * level, and writes every pixel of the level it reports. */
#ifndef ORMEL_BLP_H
#define ORMEL_BLP_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define ORMEL_API __attribute__((visibility("default")))
#else
#define ORMEL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* The 168-byte record the BLP exports exchange: header facts of a file plus the save inputs. */
typedef struct TBLPHeader {
  uint8_t Signature[4];        /* "BLP1" or "BLP2" */
  uint32_t Compression;        /* 0 = JPEG content (BLP1), 1 = paletted or DXT */
  uint32_t Width;
  uint32_t Height;
  uint32_t MipmapOffsets[16];
  uint32_t MipmapSizes[16];
  uint32_t AlphaBits;          /* BLP1 */
  uint32_t PictureType;        /* BLP1: 4 with alpha, 5 without */
  uint8_t Encoding;            /* BLP2: 1 paletted, 2 DXT */
  uint8_t AlphaDepth;          /* BLP2 */
  uint8_t AlphaEncoding;       /* BLP2: with DXT and depth 8, 1 = DXT3, 7 = DXT5 */
  uint8_t HasMipmaps;
  uint32_t MipmapsMinus1;      /* save: highest level to write, 0..15 */
  uint32_t ColorsOrQuality;    /* save: palette colours 1..256, or JPEG quality 1..100 */
  uint8_t FlagA;               /* save: compress palette / merge JPEG headers */
  uint8_t FlagB;               /* save: error diffusion / progressive JPEG */
  uint8_t Reserved[2];
} TBLPHeader;
#pragma pack(pop)

ORMEL_API void BLP_GetHeader(const uint8_t* data, TBLPHeader** header);
ORMEL_API void BLP_LoadFromMemory(const uint8_t* data, uint16_t mipmap, uint8_t* pixels,
                                  uint16_t* width, uint16_t* height);
ORMEL_API void BLP_SaveToMemory(const uint8_t* pixels, TBLPHeader* header, uint8_t** data,
                                uint32_t* size);
ORMEL_API void BLP_FreeMem(uint8_t** block);
ORMEL_API void GetLibraryVersion(uint16_t* major, uint16_t* minor, uint16_t* release,
                                 uint16_t* build);
ORMEL_API void JPG_LoadFromMemory(const uint8_t* data, uint32_t size, uint8_t* pixels,
                                  uint16_t* width, uint16_t* height);
ORMEL_API void JPG_SaveToMemory(const uint8_t* pixels, uint16_t width, uint16_t height,
                                uint16_t quality, uint8_t progressive, uint8_t** data,
                                uint32_t* size);
ORMEL_API void TGA_LoadFromMemory(const uint8_t* data, uint8_t* pixels);
ORMEL_API void TGA_SaveToMemory(const uint8_t* pixels, uint8_t* header, uint8_t** data,
                                uint32_t* size);
ORMEL_API void DDS_LoadFromMemory(const uint8_t* data, uint8_t* pixels, uint32_t reserved,
                                  uint16_t* width, uint16_t* height);
ORMEL_API void DDS_SaveToMemory(const uint8_t* pixels, uint8_t* head, uint8_t** data,
                                uint32_t* size);

/* Length-taking twins of the loads: data_size bytes of file image, pixels_size bytes of buffer. */
ORMEL_API void BLP_GetHeaderEx(const uint8_t* data, size_t data_size, TBLPHeader* header);
ORMEL_API void BLP_LoadFromMemoryEx(const uint8_t* data, size_t data_size, uint16_t mipmap,
                                    uint8_t* pixels, size_t pixels_size, uint16_t* width,
                                    uint16_t* height);
ORMEL_API void JPG_LoadFromMemoryEx(const uint8_t* data, size_t data_size, uint8_t* pixels,
                                    size_t pixels_size, uint16_t* width, uint16_t* height);
ORMEL_API void TGA_LoadFromMemoryEx(const uint8_t* data, size_t data_size, uint8_t* pixels,
                                    size_t pixels_size);
ORMEL_API void DDS_LoadFromMemoryEx(const uint8_t* data, size_t data_size, uint8_t* pixels,
                                    size_t pixels_size, uint16_t* width, uint16_t* height);

#ifdef __cplusplus
}

#include <cstddef>
static_assert(sizeof(TBLPHeader) == 168);
static_assert(offsetof(TBLPHeader, Signature) == 0);
static_assert(offsetof(TBLPHeader, Compression) == 4);
static_assert(offsetof(TBLPHeader, Width) == 8);
static_assert(offsetof(TBLPHeader, Height) == 12);
static_assert(offsetof(TBLPHeader, MipmapOffsets) == 16);
static_assert(offsetof(TBLPHeader, MipmapSizes) == 80);
static_assert(offsetof(TBLPHeader, AlphaBits) == 144);
static_assert(offsetof(TBLPHeader, PictureType) == 148);
static_assert(offsetof(TBLPHeader, Encoding) == 152);
static_assert(offsetof(TBLPHeader, AlphaDepth) == 153);
static_assert(offsetof(TBLPHeader, AlphaEncoding) == 154);
static_assert(offsetof(TBLPHeader, HasMipmaps) == 155);
static_assert(offsetof(TBLPHeader, MipmapsMinus1) == 156);
static_assert(offsetof(TBLPHeader, ColorsOrQuality) == 160);
static_assert(offsetof(TBLPHeader, FlagA) == 164);
static_assert(offsetof(TBLPHeader, FlagB) == 165);
static_assert(offsetof(TBLPHeader, Reserved) == 166);
#endif

#endif
