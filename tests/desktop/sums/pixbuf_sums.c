/* The lines of a GTK program: each file as gdk_pixbuf_new_from_file reads it (the largest
 * level), through whatever loader GDK_PIXBUF_MODULE_FILE lists. "--stream" reads through a
 * GdkPixbufLoader in small pieces instead, as eog and file choosers do. A file the loader
 * refuses prints "<name> refused". Same line format as pixel_sum.hpp. */
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static GdkPixbuf* ReadStreamed(const char* path) {
  gchar* bytes = NULL;
  gsize size = 0;
  if (!g_file_get_contents(path, &bytes, &size, NULL)) return NULL;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  gboolean ok = TRUE;
  for (gsize at = 0; ok && at < size; at += 1000)
    ok = gdk_pixbuf_loader_write(loader, (const guchar*)bytes + at, MIN(1000, size - at), NULL);
  ok = gdk_pixbuf_loader_close(loader, NULL) && ok;
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : NULL;
  if (pixbuf != NULL) g_object_ref(pixbuf);
  g_object_unref(loader);
  g_free(bytes);
  return pixbuf;
}

static void PrintFile(const char* path, gboolean streamed) {
  const char* slash = strrchr(path, '/');
  const char* name = slash != NULL ? slash + 1 : path;
  GdkPixbuf* pixbuf = streamed ? ReadStreamed(path) : gdk_pixbuf_new_from_file(path, NULL);
  if (pixbuf == NULL) {
    printf("%s refused\n", name);
    return;
  }
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const gboolean alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const guchar* rows = gdk_pixbuf_read_pixels(pixbuf);
  uint64_t hash = 0xcbf29ce484222325ull;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const guchar* p = rows + (size_t)y * stride + (size_t)x * channels;
      const guchar rgba[4] = {p[0], p[1], p[2], alpha ? p[3] : 0xFF};
      for (int i = 0; i < 4; ++i) {
        hash ^= rgba[i];
        hash *= 0x100000001b3ull;
      }
    }
  printf("%s 0 %dx%d %s %016llx\n", name, w, h, alpha ? "alpha" : "opaque",
         (unsigned long long)hash);
  g_object_unref(pixbuf);
}

int main(int argc, char** argv) {
  gboolean streamed = FALSE;
  gboolean found = FALSE;
  GSList* formats = gdk_pixbuf_get_formats();
  for (GSList* f = formats; f != NULL; f = f->next) {
    gchar* fname = gdk_pixbuf_format_get_name(f->data);
    found = found || strcmp(fname, "blp") == 0;
    g_free(fname);
  }
  g_slist_free(formats);
  if (!found) {
    fprintf(stderr, "no BLP loader in the loaders cache\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--stream") == 0)
      streamed = TRUE;
    else
      PrintFile(argv[i], streamed);
  }
  return 0;
}
