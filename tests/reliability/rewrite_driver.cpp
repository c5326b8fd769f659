// The crash-safety test's driver: rewrites one texture in a loop, each way the program
// rewrites files, so the harness can kill it at any moment.
//   rewrite_driver prepare MODE DIR   writes DIR/v0.blp and DIR/v1.blp, the two complete
//                                     versions, and DIR/work/tex.blp (= v0)
//   rewrite_driver loop MODE DIR      rewrites DIR/work/tex.blp forever, alternating between
//                                     the versions; writes one byte to stdout per round
//   rewrite_driver once MODE DIR      one round; exit 2 with the error on stderr
// Modes: optimize (JPEG header optimizer), batch (the mass optimizer's step for one file, as
// the optimizer window and ondrel-convert --optimize run it), resave (paletted re-save),
// comment (mipmap table rewrite), save (a 1024 x 1024 BLP2 saved over the file), linked (the
// mass optimizer's step through DIR/tex-link.blp, a symbolic link to work/tex.blp).
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>

#include "UnitBLPImageUtils.hpp"
#include "atomic_file.hpp"
#include "blp1_comment.hpp"
#include "blp1_files.hpp"
#include "file_size_signal.hpp"
#include "optimize_file.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

struct Paths {
  QString v0, v1, tex, link;
  explicit Paths(const QString& dir)
      : v0(dir + "/v0.blp"), v1(dir + "/v1.blp"), tex(dir + "/work/tex.blp"), link(dir + "/tex-link.blp") {}
};

// Several levels with COM segments and gaps, so the optimizer has work to do.
QByteArray UnoptimizedJpegBlp() {
  ondrel_test::Blp1JpegLayout layout;
  layout.width = layout.height = 256;
  layout.levels = 9;
  layout.gap = 300;
  layout.comSegment = true;
  return ondrel_test::MakeBlp1Jpeg(layout);
}

// Few colours saved with a full palette, so the re-save shrinks it.
TBitmap FewColours() {
  TBitmap b = ondrel_test::PhotoBitmap(256, 256, false, 7);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      std::uint8_t* p = b.scanLine(y) + 3 * x;
      for (int c = 0; c < 3; ++c) p[c] = std::uint8_t(p[c] & 0xC0);
    }
  return b;
}

FileFormatOptions Options() {
  FileFormatOptions o = DesignedFileFormatOptions();
  o.blp1.Blp1Paletted = 1;
  o.blp1.Blp1CompressPalette = 0;
  o.blp1.Blp1MipmapsMinus1 = 8;
  return o;
}

TBitmap Picture(std::uint32_t seed) { return ondrel_test::PhotoBitmap(1024, 1024, true, seed); }

void Prepare(const QString& mode, const Paths& p) {
  QDir().mkpath(QFileInfo(p.tex).path());
  if (mode == "linked" && !QFile::link("work/tex.blp", p.link)) throw std::runtime_error("cannot make the link");
  if (mode == "optimize" || mode == "batch" || mode == "linked") {
    ondrel_test::WriteFile(p.v0, UnoptimizedJpegBlp());
    OptimizeJpegBlp(p.v0, p.v1);
  } else if (mode == "resave") {
    SaveBlpImage(p.v0, FewColours(), 0, Options(), false);
    ResavePalettedBlp(p.v0, p.v1);
  } else if (mode == "comment") {
    ondrel_test::WriteFile(p.v0, UnoptimizedJpegBlp());
    Blp1Header header = ReadBlp1Header(p.v0);
    WriteBlpComment(header, "the second version of the comment");
    StoreMipmapTables(header, p.v0, p.v1);
  } else if (mode == "save") {
    SaveBlpImage(p.v0, Picture(1), 1, Options(), true);
    SaveBlpImage(p.v1, Picture(2), 1, Options(), true);
  } else {
    throw std::runtime_error("unknown mode " + mode.toStdString());
  }
  ondrel_test::WriteFile(p.tex, ondrel_test::ReadFile(p.v0));
}

// One round: the file passes through both versions and ends as v0 or v1.
std::function<void()> Round(const QString& mode, const Paths& p) {
  if (mode == "optimize") {
    const QByteArray v0 = ondrel_test::ReadFile(p.v0);
    return [=] {
      WriteFileAtomically(p.tex, v0);
      OptimizeJpegBlp(p.tex, p.tex);
    };
  }
  if (mode == "batch") {
    const QByteArray v0 = ondrel_test::ReadFile(p.v0);
    return [=] {
      WriteFileAtomically(p.tex, v0);
      batch::OptimizeFileInPlace(p.tex);
    };
  }
  if (mode == "linked") {
    const QByteArray v0 = ondrel_test::ReadFile(p.v0);
    return [=] {
      WriteFileAtomically(p.link, v0);
      batch::OptimizeFileInPlace(p.link);
    };
  }
  if (mode == "resave") {
    const QByteArray v0 = ondrel_test::ReadFile(p.v0);
    return [=] {
      WriteFileAtomically(p.tex, v0);
      ResavePalettedBlp(p.tex, p.tex);
    };
  }
  if (mode == "comment") {
    const Blp1Header h0 = ReadBlp1Header(p.v0), h1 = ReadBlp1Header(p.v1);
    return [=] {
      StoreMipmapTables(h1, p.tex, p.tex);
      StoreMipmapTables(h0, p.tex, p.tex);
    };
  }
  const TBitmap a = Picture(1), b = Picture(2);
  return [=] {
    SaveBlpImage(p.tex, b, 1, Options(), true);
    SaveBlpImage(p.tex, a, 1, Options(), true);
  };
}

}  // namespace

int main(int argc, char** argv) {
  IgnoreFileSizeSignal();
  if (argc != 4) {
    std::fprintf(stderr, "usage: rewrite_driver prepare|loop|once MODE DIR\n");
    return 1;
  }
  const std::string command = argv[1];
  const QString mode = argv[2];
  const Paths paths(QString::fromLocal8Bit(argv[3]));
  try {
    if (command == "prepare") {
      Prepare(mode, paths);
      return 0;
    }
    const auto round = Round(mode, paths);
    if (command == "once") {
      round();
      return 0;
    }
    for (;;) {
      if (::write(STDOUT_FILENO, "r", 1) != 1) return 1;  // the harness is gone
      round();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
}
