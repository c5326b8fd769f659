#include "command_line.hpp"

#include <QCommandLineParser>

#include <thread>

#include "conversion_plan.hpp"
#include "save_flags.hpp"
#include "usage_error.hpp"

namespace ondrel::cli {
namespace {

int CoreCount() { return std::max(1, int(std::thread::hardware_concurrency())); }

batch::AlphaTreatment AlphaValue(const QString& text) {
  static const char* const kNames[] = {"keep", "opaque", "remove", "auto", "border"};
  const QString lower = text.toLower();
  for (int i = 0; i < 5; ++i)
    if (lower == kNames[i] || lower == QString::number(i)) return batch::AlphaTreatment(i);
  throw UsageError("--alpha takes keep, opaque, remove, auto or border, not '" + text + "'");
}

QStringList SourceExtensions(const QString& list) {
  QStringList extensions;
  for (const QString& name : list.split(',', Qt::SkipEmptyParts)) {
    const QStringList e = batch::SourceExtensionsFor(name.trimmed());
    if (e.isEmpty()) throw UsageError("--from takes a list of bmp, tga, blp, jpg, png, dds, not '" + name + "'");
    for (const QString& x : e)
      if (!extensions.contains(x)) extensions << x;
  }
  if (extensions.isEmpty()) throw UsageError("--from needs at least one format");
  // Folders are scanned in the program's extension order, whatever order the list has.
  QStringList ordered;
  for (const QString& x : batch::ImageExtensionList())
    if (extensions.contains(x)) ordered << x;
  return ordered;
}

// Refuses the flags set that `mode` does not take.
void RefuseFlags(const QCommandLineParser& parser, const QStringList& flags, const QString& mode) {
  for (const QString& f : flags)
    if (parser.isSet(f)) throw UsageError("--" + f + " does not apply to " + mode);
}

}  // namespace

Request ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.addOptions({
      {{"o", "output"}, "output", "PATH"},
      {{"f", "format"}, "format", "FORMAT"},
      {{"r", "recursive"}, "recursive"},
      {"keep-structure", "keep-structure"},
      {"from", "from", "LIST"},
      {"alpha", "alpha", "TREATMENT"},
      {"mip", "mip", "N"},
      {"info", "info"},
      {"json", "json"},
      {"optimize", "optimize"},
      {{"j", "jobs"}, "jobs", "N"},
      {{"q", "quiet"}, "quiet"},
      {{"h", "help"}, "help"},
      {"version", "version"},
  });
  AddSaveFlags(parser);
  if (!parser.parse(QStringList{"ondrel-convert"} + arguments)) throw UsageError(parser.errorText());

  Request r;
  if (parser.isSet("help")) {
    r.mode = Mode::Help;
    return r;
  }
  if (parser.isSet("version")) {
    r.mode = Mode::Version;
    return r;
  }
  if (parser.isSet("info") && parser.isSet("optimize")) throw UsageError("--info and --optimize are two different modes");
  r.mode = parser.isSet("info") ? Mode::Info : parser.isSet("optimize") ? Mode::Optimize : Mode::Convert;
  r.inputs = parser.positionalArguments();
  if (r.inputs.isEmpty()) throw UsageError("no input files or folders");

  r.saveFlags = GivenSaveFlags(parser);
  QStringList conversionOnly = {"output", "format", "keep-structure", "alpha"};
  conversionOnly += r.saveFlags.keys();
  if (r.mode == Mode::Info) {
    RefuseFlags(parser, conversionOnly, "--info");
  } else if (r.mode == Mode::Optimize) {
    RefuseFlags(parser, conversionOnly + QStringList{"json", "mip", "from"}, "--optimize");
  } else {
    RefuseFlags(parser, {"json"}, "a conversion (it goes with --info)");
    if (!parser.isSet("output")) throw UsageError("no output: give -o FILE or -o FOLDER");
  }

  r.output = parser.value("output");
  if (parser.isSet("format")) {
    r.format = batch::TargetFormatFromName(parser.value("format"));
    if (!r.format)
      throw UsageError("--format takes blp1, blp2, dds, tga, png, jpg or bmp, not '" + parser.value("format") + "'");
  }
  r.sourceExtensions = parser.isSet("from") ? SourceExtensions(parser.value("from"))
                       : r.mode == Mode::Optimize ? QStringList{".blp"}
                                                  : batch::ImageExtensionList();
  r.recursive = parser.isSet("recursive");
  r.keepStructure = parser.isSet("keep-structure");
  if (parser.isSet("alpha")) r.alpha = AlphaValue(parser.value("alpha"));
  if (parser.isSet("mip")) r.mipmap = std::uint8_t(FlagNumber("mip", parser.value("mip"), 0, 15));
  r.json = parser.isSet("json");
  r.quiet = parser.isSet("quiet");
  r.jobs = parser.isSet("jobs") ? FlagNumber("jobs", parser.value("jobs"), 1, 1024) : CoreCount();
  return r;
}

QString HelpText() {
  return QStringLiteral(R"(Usage:
  ondrel-convert [OPTIONS] INPUT... -o OUTPUT      convert images
  ondrel-convert --info [--json] [--mip N] FILE... show the facts of image files
  ondrel-convert --optimize [-r] FILE|FOLDER...    shrink BLP1 files in place

INPUT is an image file or a folder (its images; -r also those of its subfolders).
OUTPUT is a file when there is one input file and the name has an extension;
otherwise a folder, made when missing. The format comes from --format or from
the output file's extension; ".blp" alone means BLP2 unless --format blp1.

Conversion:
  -o, --output PATH        the output file or folder
  -f, --format FORMAT      blp1, blp2, dds, tga, png, jpg or bmp
  -r, --recursive          take the images of subfolders too
      --keep-structure     recreate the input folders' structure in the output
      --from LIST          the input formats to take from folders, e.g. png,tga
                           (bmp, tga, blp, jpg, png, dds; default: all)
      --alpha TREATMENT    keep (default), opaque (add an opaque alpha channel),
                           remove, auto (keep alpha only when its values mean
                           something), border (transparent one-pixel border)
      --mip N              take mipmap N (0-15) of BLP inputs

Save options (each only where it applies; defaults as in the save-options window):
      --encoding CONTENT   BLP1: jpeg (default) or paletted
                           BLP2: dxt (default) or paletted
                           DDS: dxt (default) or uncompressed
                           TGA: truecolor (default) or paletted
      --quality N          JPEG quality 1-100 (BLP1 JPEG, JPG; default 85)
      --colors N           palette colours 1-256 (paletted content; default 256)
      --mipmaps N|all      mipmap levels 1-16 (BLP1, BLP2, DDS; default 2)
      --[no-]compress-palette   write only the palette entries used (default on)
      --[no-]error-diffusion    dithered palette or DXT coding (default on)
      --[no-]merge-headers      one shared JPEG header (BLP1 JPEG; default on)
      --[no-]progressive        progressive JPEG (BLP1 JPEG: default on;
                                JPG: default off)
      --rle                run-length encoding (TGA)
      --override           run-length packets may cross row ends (TGA, with --rle)
      --top-left           rows stored top row first (TGA)
      --png-level N        deflate level 0-9 (PNG; default 9)
      --png-filters LIST   none (default) or some of sub,up,average,paeth

Information:
      --info               the header facts of each file, as text
      --json               as a JSON array, one object per file

General:
  -j, --jobs N             files worked on at once (default: all cores); the
                           output is the same byte for byte whatever N is
  -q, --quiet              no progress and no per-file lines; failures are still
                           reported
  -h, --help               this text
      --version            the program's and the codec library's versions

Exit status: 0 every file done, 1 some files failed (each named with the
reason), 2 bad usage.
)");
}

}  // namespace ondrel::cli
