#include "blp_association.hpp"

#include "atomic_file.hpp"
#include "ini_file.hpp"
#include "program_paths.hpp"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ondrel {

namespace {

const QString kDefaultsSection = QStringLiteral("Default Applications");
const QString kKeptSection = QStringLiteral(".blp");
const QString kKeptKey = QStringLiteral("ondreltemp");

// A string value of a desktop entry: no line breaks, backslashes escaped.
QString DesktopString(QString text) {
  text.replace('\\', "\\\\").replace('\n', "\\n").replace('\t', "\\t").replace('\r', "\\r");
  return text;
}

// A menu caption without its mnemonic marks ("&Open" -> "Open", "&&" -> "&").
QString WithoutMnemonic(const QString& caption) {
  QString plain;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

QString XmlText(QString text) {
  return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
}

void WriteText(const QString& path, const QString& text) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) throw FileError("cannot create the folder " + folder.toStdString());
  WriteFileAtomically(path, text.toUtf8());
}

// Runs a cache tool of the desktop when it is installed; its result changes nothing of ours.
void RunWhenPresent(const QString& tool, const QString& folder, const XdgFolders& xdg) {
  const QString found = QStandardPaths::findExecutable(tool);
  if (found.isEmpty()) return;
  QProcess process;
  // The tool warns about a folder outside the data path it is given; give it ours.
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", xdg.dataHome);
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.start(found, {folder});
  if (process.waitForStarted()) process.waitForFinished(30000);
}

// The first desktop entry of a mimeapps.list value ("a.desktop;b.desktop;").
QString FirstEntry(const QString& value) {
  for (const QString& entry : value.split(';'))
    if (!entry.trimmed().isEmpty()) return entry.trimmed();
  return {};
}

}  // namespace

XdgFolders XdgFolders::FromEnvironment() { return {UserDataHome(), UserConfigHome()}; }

BlpAssociation::BlpAssociation(XdgFolders folders, QString executablePath)
    : folders_(std::move(folders)), executablePath_(std::move(executablePath)) {}

QString BlpAssociation::desktopEntryPath() const {
  return folders_.dataHome + "/applications/" + kDesktopFileName;
}
QString BlpAssociation::mimePackagePath() const {
  return folders_.dataHome + "/mime/packages/ondrel-blp.xml";
}
QString BlpAssociation::mimeAppsListPath() const { return folders_.configHome + "/mimeapps.list"; }
QString BlpAssociation::previousDefaultPath() const {
  return folders_.configHome + "/ondrel/association.ini";
}

QString DesktopExecLine(const QString& executablePath) {
  // Inside the quotes ", `, $ and \ take a backslash; % is doubled as a field code would be.
  QString quoted;
  for (const QChar c : executablePath) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c == '%' ? QStringLiteral("%%") : QString(c);
  }
  return '"' + quoted + "\" %f";
}

bool BlpAssociation::IsAssociated() const {
  const IniFile list(mimeAppsListPath());
  return FirstEntry(list.ReadString(kDefaultsSection, kBlpMimeType, {}))
             .compare(kDesktopFileName, Qt::CaseInsensitive) == 0;
}

void BlpAssociation::WriteDesktopEntry(const QString& openCaption) const {
  const QString exec = DesktopString(DesktopExecLine(executablePath_));
  const QString caption = DesktopString(WithoutMnemonic(openCaption));
  WriteText(desktopEntryPath(),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Ondrel\n"
            "GenericName=Blizzard Texture\n"
            "Icon=image-x-generic\n"
            "Exec=" + exec + "\n"
            "Terminal=false\n"
            "NoDisplay=true\n"
            "MimeType=" + QString(kBlpMimeType) + ";\n"
            "Actions=Open;\n"
            "\n"
            "[Desktop Action Open]\n"
            "Name=" + (caption.isEmpty() ? QStringLiteral("Open") : caption) + "\n"
            "Exec=" + exec + "\n");
}

// The same type as the installed package declares: newer databases give *.blp to another
// format too, so the signature is checked before the name (priority 80); the glob keeps its weight.
void BlpAssociation::WriteMimePackage() const {
  WriteText(mimePackagePath(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"" + QString(kBlpMimeType) + "\">\n"
            "    <comment>" + XmlText("Blizzard Texture") + "</comment>\n"
            "    <generic-icon name=\"image-x-generic\"/>\n"
            "    <glob pattern=\"*.blp\"/>\n"
            "    <magic priority=\"80\">\n"
            "      <match type=\"string\" offset=\"0\" value=\"BLP1\"/>\n"
            "      <match type=\"string\" offset=\"0\" value=\"BLP2\"/>\n"
            "    </magic>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
}

void BlpAssociation::Associate(const QString& openCaption) {
  IniFile list(mimeAppsListPath());
  const QString current = list.ReadString(kDefaultsSection, kBlpMimeType, {});
  if (FirstEntry(current).compare(kDesktopFileName, Qt::CaseInsensitive) != 0) {
    IniFile kept(previousDefaultPath());
    kept.WriteString(kKeptSection, kKeptKey, current);
    kept.Save();
    list.WriteString(kDefaultsSection, kBlpMimeType, kDesktopFileName);
    list.Save();
  }
  WriteDesktopEntry(openCaption);
  WriteMimePackage();
  RunWhenPresent("update-mime-database", folders_.dataHome + "/mime", folders_);
  RunWhenPresent("update-desktop-database", folders_.dataHome + "/applications", folders_);
}

void BlpAssociation::Unassociate() {
  if (!IsAssociated()) return;  // another program's choice, or none: not ours to change
  IniFile list(mimeAppsListPath());
  const QString previous = IniFile(previousDefaultPath()).ReadString(kKeptSection, kKeptKey, {});
  if (FirstEntry(previous).isEmpty() ||
      FirstEntry(previous).compare(kDesktopFileName, Qt::CaseInsensitive) == 0)
    list.RemoveKey(kDefaultsSection, kBlpMimeType);
  else
    list.WriteString(kDefaultsSection, kBlpMimeType, previous);
  list.Save();
}

}  // namespace ondrel
