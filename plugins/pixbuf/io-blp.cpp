// The gdk-pixbuf loader for BLP textures (image/x-blp): GTK programs (eog, file choosers,
// gdk-pixbuf-thumbnailer) show the largest level with its alpha channel. The module's entry
// points are C; inside, the Qt-free texture reader shared with the Qt plugin and the thumbnailer
// does the work, with its limits. Nothing thrown leaves the module: a refused file is a GError.
//
// The incremental interface only gathers the bytes; the texture is decoded once they are all
// there (a BLP's levels sit anywhere in the file, so nothing can be shown earlier).
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "blp_texture.hpp"

namespace {

// The viewer reads no larger file either.
constexpr std::size_t kMaxFileBytes = 0x7FFFFFFF;

void SetError(GError** error, int code, const std::string& message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message.c_str());
}

struct PixbufUnref {
  void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
using PixbufPtr = std::unique_ptr<GdkPixbuf, PixbufUnref>;

// Level 0 of the file as a pixbuf (RGBA when the viewer shows alpha, else RGB), or null with
// `error` set. `sizeFunc`, when given, hears the size first and may decline the pixels by
// setting it to 0 (the way gdk-pixbuf asks only for a file's size).
PixbufPtr DecodeLargest(std::span<const std::uint8_t> file, GdkPixbufModuleSizeFunc sizeFunc,
                        gpointer userData, bool* declined, GError** error) {
  try {
    const auto texture = ondrel::texture::BlpTexture::Open(file);
    if (!texture) {
      SetError(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "Not a BLP texture");
      return nullptr;
    }
    const auto announced = texture->levelSize(0);
    if (sizeFunc != nullptr) {
      int w = int(announced.width), h = int(announced.height);
      sizeFunc(&w, &h, userData);
      if (w == 0 || h == 0) {
        *declined = true;
        return nullptr;
      }
    }
    const ondrel::texture::Pixels pixels = texture->decode(0);
    const bool alpha = texture->hasAlpha();
    PixbufPtr pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, int(pixels.size.width),
                                    int(pixels.size.height)));
    if (!pixbuf) {
      SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory for the BLP image");
      return nullptr;
    }
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    const int channels = alpha ? 4 : 3;
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf.get());
    const std::uint8_t* source = pixels.bgra.data();
    for (std::uint32_t y = 0; y < pixels.size.height; ++y) {
      guchar* out = rows + std::size_t(y) * std::size_t(stride);
      for (std::uint32_t x = 0; x < pixels.size.width; ++x, source += 4, out += channels) {
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
        if (alpha) out[3] = source[3];
      }
    }
    return pixbuf;
  } catch (const std::bad_alloc&) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory for the BLP image");
  } catch (const std::exception& e) {
    SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, e.what());
  } catch (...) {
    SetError(error, GDK_PIXBUF_ERROR_FAILED, "The BLP texture could not be read");
  }
  return nullptr;
}

// One incremental load: the bytes so far and the caller's callbacks.
struct LoadContext {
  GdkPixbufModuleSizeFunc sizeFunc;
  GdkPixbufModulePreparedFunc preparedFunc;
  GdkPixbufModuleUpdatedFunc updatedFunc;
  gpointer userData;
  std::vector<std::uint8_t> bytes;
};

gpointer BeginLoad(GdkPixbufModuleSizeFunc sizeFunc, GdkPixbufModulePreparedFunc preparedFunc,
                   GdkPixbufModuleUpdatedFunc updatedFunc, gpointer userData, GError** error) {
  try {
    return new LoadContext{sizeFunc, preparedFunc, updatedFunc, userData, {}};
  } catch (...) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory");
    return nullptr;
  }
}

gboolean LoadIncrement(gpointer data, const guchar* buffer, guint size, GError** error) {
  auto* context = static_cast<LoadContext*>(data);
  try {
    if (size > kMaxFileBytes - context->bytes.size()) {
      SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "BLP: the file is too large");
      return FALSE;
    }
    // A BLP starts with its signature: anything else is refused at once, not gathered.
    const std::size_t before = context->bytes.size();
    context->bytes.insert(context->bytes.end(), buffer, buffer + size);
    if (before < 4 && context->bytes.size() >= 4 &&
        !ondrel::texture::HasBlpSignature(context->bytes)) {
      SetError(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "Not a BLP texture");
      return FALSE;
    }
    return TRUE;
  } catch (...) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory for the BLP file");
    return FALSE;
  }
}

gboolean StopLoad(gpointer data, GError** error) {
  std::unique_ptr<LoadContext> context(static_cast<LoadContext*>(data));
  bool declined = false;
  PixbufPtr pixbuf =
      DecodeLargest(context->bytes, context->sizeFunc, context->userData, &declined, error);
  if (declined) return TRUE;
  if (!pixbuf) return FALSE;
  if (context->preparedFunc != nullptr)
    context->preparedFunc(pixbuf.get(), nullptr, context->userData);
  if (context->updatedFunc != nullptr)
    context->updatedFunc(pixbuf.get(), 0, 0, gdk_pixbuf_get_width(pixbuf.get()),
                         gdk_pixbuf_get_height(pixbuf.get()), context->userData);
  return TRUE;
}

GdkPixbuf* LoadFile(FILE* file, GError** error) {
  try {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
      if (n > kMaxFileBytes - bytes.size()) {
        SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, "BLP: the file is too large");
        return nullptr;
      }
      bytes.insert(bytes.end(), chunk, chunk + n);
      if (bytes.size() >= 4 && !ondrel::texture::HasBlpSignature(bytes)) break;
    }
    bool declined = false;
    return DecodeLargest(bytes, nullptr, nullptr, &declined, error).release();
  } catch (...) {
    SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "Not enough memory for the BLP file");
    return nullptr;
  }
}

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = LoadFile;
  module->begin_load = BeginLoad;
  module->load_increment = LoadIncrement;
  module->stop_load = StopLoad;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  // gdk-pixbuf keeps these for the life of the process and never frees them.
  static GdkPixbufModulePattern signature[] = {
      {const_cast<gchar*>("BLP1"), nullptr, 100},
      {const_cast<gchar*>("BLP2"), nullptr, 100},
      {nullptr, nullptr, 0},
  };
  static const gchar* mimeTypes[] = {"image/x-blp", nullptr};
  static const gchar* extensions[] = {"blp", nullptr};
  info->name = const_cast<gchar*>("blp");
  info->signature = signature;
  info->description = const_cast<gchar*>("Blizzard Texture");
  info->mime_types = const_cast<gchar**>(mimeTypes);
  info->extensions = const_cast<gchar**>(extensions);
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("Other");
}

}  // extern "C"
