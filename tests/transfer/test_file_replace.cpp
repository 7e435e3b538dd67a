// Replacing files as every export does, on Linux and on Windows (run under
// wine by scripts/windows/test.sh), and Windows' device and port names.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "transfer/file_io.h"
#include "transfer/reserved_names.h"

using namespace zem;

namespace {

// Bytes a text mode would change: CR LF, a lone LF, Ctrl-Z, bytes above 127.
const std::string kBytes = std::string("[NO1\"Zone\"]\r\n\n\x1a[NO2\"\xe9t\xe9\"]\r\n\xff", 26);

#ifdef Q_OS_WIN
constexpr char kNullDevice[] = "NUL";
#else
constexpr char kNullDevice[] = "/dev/null";
#endif

enum class Before { Nothing, OldFile, Folder, HardLinked, NoFolder, NullDevice };

}  // namespace

Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(NewName)

class TestFileReplace : public QObject {
  Q_OBJECT

 private slots:
  void deviceNames_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("device");
    QTest::newRow("NUL") << "NUL" << true;
    QTest::newRow("lower case, extension") << "nul.txt" << true;
    QTest::newRow("in a folder") << "C:\\out\\CON" << true;
    QTest::newRow("blank before the extension") << "con .zem" << true;
    QTest::newRow("forward slashes") << "sub/aux.zem" << true;
    QTest::newRow("COM1") << "COM1" << true;
    QTest::newRow("LPT9 with extension") << "lpt9.csv" << true;
    QTest::newRow("device namespace") << "\\\\.\\COM12" << true;
    QTest::newRow("COM10 is a file") << "COM10" << false;
    QTest::newRow("COM0 is a file") << "com0.zem" << false;
    QTest::newRow("longer name") << "CONSOLE.zem" << false;
    QTest::newRow("NULL") << "NULL" << false;
    QTest::newRow("device as a folder") << "nul\\site.zem" << false;
    QTest::newRow("plain file") << "C:\\Users\\me\\site.zem" << false;
    QTest::newRow("empty") << "" << false;
  }
  void deviceNames() {
    QFETCH(QString, path);
    QFETCH(bool, device);
    QCOMPARE(IsReservedDeviceName(path.toStdString()), device);
  }

  void comPorts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("COM1") << "COM1" << 1;
    QTest::newRow("lower case") << "com3" << 3;
    QTest::newRow("COM50") << "COM50" << 50;
    QTest::newRow("COM51 not listed") << "COM51" << 0;
    QTest::newRow("COM0") << "COM0" << 0;
    QTest::newRow("leading zero") << "COM07" << 0;
    QTest::newRow("COM") << "COM" << 0;
    QTest::newRow("letters after") << "COM3a" << 0;
    QTest::newRow("a Linux device") << "ttyUSB0" << 0;
    QTest::newRow("device namespace") << "\\\\.\\COM3" << 0;
  }
  void comPorts() {
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(ChooserComPortNumber(name.toStdString()), number);
  }

  void replace_data() {
    QTest::addColumn<Before>("before");
    QTest::addColumn<bool>("written");
    QTest::newRow("new file") << Before::Nothing << true;
    QTest::newRow("old file replaced") << Before::OldFile << true;
    QTest::newRow("folder refused") << Before::Folder << false;
    QTest::newRow("hard-linked file refused") << Before::HardLinked << false;
    QTest::newRow("missing folder") << Before::NoFolder << false;
    QTest::newRow("null device written in place") << Before::NullDevice << true;
  }
  void replace() {
    QFETCH(Before, before);
    QFETCH(bool, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(dir.path().toStdWString());
    std::string target = (folder / "site.zem").string();
    std::string error;
    if (before == Before::OldFile || before == Before::HardLinked)
      QVERIFY(WriteFileAtomically(target, "old", &error));
    if (before == Before::HardLinked) fs::create_hard_link(target, folder / "other.zem");
    if (before == Before::Folder) fs::create_directory(target);
    if (before == Before::NoFolder) target = (folder / "missing" / "site.zem").string();
    if (before == Before::NullDevice) target = kNullDevice;

    QCOMPARE(WriteProblem(target).has_value(), !written);
    QCOMPARE(WriteFileAtomically(target, kBytes, &error), written);
    QCOMPARE(error.empty(), written);
    // Nothing but what was there and the file itself: no temporary file.
    const QStringList left =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (before == Before::NullDevice) {
      QVERIFY(left.isEmpty());
      QVERIFY(!ReadWholeFile(target, &error));  // a device is never read as a file
      return;
    }
    if (before == Before::Folder) {
      QVERIFY(fs::is_directory(target));
      return;
    }
    const std::optional<std::string> text = ReadWholeFile(target, &error);
    if (!written) {
      if (before == Before::HardLinked) QCOMPARE(*text, std::string("old"));
      QCOMPARE(left.size(), before == Before::HardLinked ? 2 : 0);
      return;
    }
    QVERIFY2(text, error.c_str());
    QCOMPARE(*text, kBytes);
    QCOMPARE(left, QStringList{"site.zem"});
  }

  // A backup's two steps: a new file, then a new name; neither ever takes
  // the place of what is there.
  void newName_data() {
    QTest::addColumn<Before>("before");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<NewName>("result");
    for (const bool rename : {false, true}) {
      const char* how = rename ? "rename: " : "write: ";
      QTest::addRow("%snew name", how) << Before::Nothing << rename << NewName::kMade;
      QTest::addRow("%sfile there", how) << Before::OldFile << rename << NewName::kTaken;
      QTest::addRow("%sfolder there", how) << Before::Folder << rename << NewName::kTaken;
      QTest::addRow("%smissing folder", how) << Before::NoFolder << rename << NewName::kFailed;
    }
  }
  void newName() {
    QFETCH(Before, before);
    QFETCH(bool, rename);
    QFETCH(NewName, result);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(dir.path().toStdWString());
    std::string target = (folder / "site.zem").string();
    const std::string source = (folder / ".temp").string();
    std::string error;
    if (before == Before::OldFile) QVERIFY(WriteFileAtomically(target, "old", &error));
    if (before == Before::Folder) fs::create_directory(target);
    if (before == Before::NoFolder) target = (folder / "missing" / "site.zem").string();
    if (rename) QCOMPARE(WriteNewFile(source, kBytes, &error), NewName::kMade);

    QCOMPARE(rename ? RenameNoReplace(source, target, &error) : WriteNewFile(target, kBytes, &error), result);
    QCOMPARE(error.empty(), result != NewName::kFailed);
    // What was there stays; the source goes only when it was renamed.
    QCOMPARE(ReadWholeFile(source, &error).has_value(), rename && result != NewName::kMade);
    const std::optional<std::string> text = ReadWholeFile(target, &error);
    if (before == Before::OldFile) QCOMPARE(text.value_or(""), std::string("old"));
    if (result == NewName::kMade) QCOMPARE(text.value_or(""), kBytes);
    QVERIFY(fs::is_directory(target) == (before == Before::Folder));

    // Only plain files are listed; the hidden source too while it is there.
    std::vector<std::string> names;
    for (const FolderFile& file : PlainFilesIn(folder.string())) names.push_back(file.name);
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected;
    if (rename && result != NewName::kMade) expected.push_back(".temp");
    if (before == Before::OldFile || (before == Before::Nothing)) expected.push_back("site.zem");
    QCOMPARE(names, expected);
  }
};

QTEST_GUILESS_MAIN(TestFileReplace)
#include "test_file_replace.moc"
