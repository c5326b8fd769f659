// The image layer's reads refuse, at once and with the reason, what is not a regular file: a
// FIFO (which would wait for a writer for good), a link to /dev/zero (size 0, endless), a
// folder, a file it may not read. Folder scans leave special files out.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "UnitBLPImageUtils.hpp"
#include "blp1_files.hpp"
#include "file_lists.hpp"
#include "file_read.hpp"
#include "special_files.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

// What a call threw: "problem <n>: <reason>", or "no error".
template <typename F>
std::string Outcome(F&& call) {
  try {
    call();
  } catch (const FileReadError& e) {
    return "problem " + std::to_string(int(e.problem())) + ": " + e.what();
  } catch (const std::exception& e) {
    return std::string("other error: ") + e.what();
  }
  return "no error";
}

std::string Problem(FileProblem p) { return "problem " + std::to_string(int(p)) + ": "; }

class SpecialFilesTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
};

TEST_F(SpecialFilesTest, EveryReaderRefusesAtOnceWithTheReason) {
  for (const QString extension : {".png", ".blp", ".tga"}) {
    const auto files = ondrel_test::SpecialFiles::MakeIn(dir.path(), extension);
    const struct {
      QString path;
      FileProblem problem;
      const char* reason;
    } cases[] = {
        {files.fifo, FileProblem::NotRegular, "a named pipe (FIFO), not a regular file"},
        {files.deviceLink, FileProblem::NotRegular, "a character device, not a regular file"},
        {files.folder, FileProblem::Folder, "a folder, not a file"},
        {files.unreadable, FileProblem::AccessDenied, "permission denied"},
        {dir.path() + "/missing" + extension, FileProblem::Missing, "no such file"},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.path.toStdString());
      const std::string expected = Problem(c.problem) + c.reason;
      const QString path = c.path;
      const auto read = ondrel_test::RunBounded([&] { return Outcome([&] { ReadWholeFile(path); }); });
      ASSERT_TRUE(read.has_value()) << "hangs or dies";
      EXPECT_EQ(read->substr(0, expected.size()), expected) << *read;
      const auto load = ondrel_test::RunBounded([&] {
        TBitmap target;
        return Outcome([&] {
          if (extension == ".png") LoadPngImage(path, target);
          else if (extension == ".blp") LoadBlpImage(path, target, 0);
          else LoadTgaImage(path, target);
        });
      });
      ASSERT_TRUE(load.has_value()) << "hangs or dies";
      EXPECT_EQ(load->substr(0, expected.size()), expected) << *load;
      if (extension == ".blp") {
        const auto classify = ondrel_test::RunBounded([&] { return Outcome([&] { ClassifyForOptimization(path); }); });
        ASSERT_TRUE(classify.has_value()) << "hangs or dies";
        EXPECT_EQ(classify->substr(0, expected.size()), expected) << *classify;
      }
    }
    QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
  }
}

TEST_F(SpecialFilesTest, OpenImageSaysWhyAndTellsAnotherFormatFromADamagedFile) {
  const auto files = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".png");
  const TBitmap photo = ondrel_test::PhotoBitmap(8, 8, false);
  SavePngImage(dir.path() + "/real.png", photo, DesignedFileFormatOptions());
  QFile::copy(dir.path() + "/real.png", dir.path() + "/png_named.dds");
  ondrel_test::WriteFile(dir.path() + "/text.dds", "just some text");
  ondrel_test::WriteFile(dir.path() + "/x.xyz", "whatever");
  using Kind = LoadFailure::Kind;
  const struct {
    QString path;
    Kind kind;
    const char* claimed;
    const char* actual;
  } cases[] = {
      {files.fifo, Kind::NotRegular, "PNG", ""},
      {files.deviceLink, Kind::NotRegular, "PNG", ""},
      {files.folder, Kind::Folder, "PNG", ""},
      {files.unreadable, Kind::AccessDenied, "PNG", ""},
      {dir.path() + "/missing.png", Kind::Missing, "PNG", ""},
      {dir.path() + "/png_named.dds", Kind::OtherFormat, "DDS", "PNG"},
      {dir.path() + "/text.dds", Kind::NotRecognised, "DDS", ""},
      {dir.path() + "/x.xyz", Kind::UnknownExtension, ".xyz", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const QString path = c.path;
    const auto seen = ondrel_test::RunBounded([&] {
      TBitmap target;
      const OpenResult r = OpenImage(path, target, {.showInfo = true}, nullptr);
      // A load that gives no picture without an error is asked why, as the viewer does.
      const LoadFailure f = r.failed ? r.failure : WhyNoPicture(path);
      return std::to_string(int(f.kind)) + "|" + f.claimed.toStdString() + "|" + f.actual.toStdString();
    });
    ASSERT_TRUE(seen.has_value()) << "hangs or dies";
    EXPECT_EQ(*seen, std::to_string(int(c.kind)) + "|" + c.claimed + "|" + c.actual);
  }
  QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(SpecialFilesTest, FolderScansLeaveSpecialFilesOut) {
  const auto files = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".png");
  ondrel_test::WriteFile(dir.path() + "/plain.png", "x");
  QFile::link(dir.path() + "/plain.png", dir.path() + "/link.png");
  QStringList list;
  const QString folder = dir.path() + '/';
  ListFilesByExtension(folder, ".png", true, list);
  list.sort();
  // The link to /dev/zero stays listed: its reader refuses it, with the reason.
  EXPECT_EQ(list, (QStringList{folder + "link.png", folder + "plain.png", folder + "secret.png", folder + "zero.png"}));
  QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
