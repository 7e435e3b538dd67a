// File Mode import and export through the scripted dialogs.
#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "transfer/file_io.h"
#include "transfer_rig.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

std::string Example() { return std::string(ZEM_SOURCE_DIR) + "/examples/small-8x24.zem"; }

long long Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_ino) : -1;
}

}  // namespace

class TestFileTransfer : public QObject {
  Q_OBJECT

 private slots:
  void importThenExportWritesTheSequence() {
    QTemporaryDir dir;
    Rig rig;
    rig.prompts.openAnswers.push_back(Example());
    rig.ctl.Import1Click();
    QCOMPARE(rig.prompts.openDialogs.size(), std::size_t{1});
    QCOMPARE(rig.prompts.openDialogs[0].defaultExtension, std::string("zem"));
    QCOMPARE(rig.prompts.openDialogs[0].filter, std::string("ZEM files (*.zem)|*.zem|All Files (*.*)|*.*"));
    QCOMPARE(rig.prompts.openDialogs[0].fileName, std::string());
    QVERIFY(Contains(rig.statuses, " Imported complete from file: " + Example()));
    QCOMPARE(rig.statuses.back(), std::string(" Import Complete"));
    QCOMPARE(rig.editor.model.SourceCount, 8);
    QCOMPARE(rig.editor.model.ZoneCount, 24);
    QCOMPARE(rig.ctl.LastOpenedFile(), Example());

    const std::string out = dir.filePath("out.zem").toStdString();
    rig.prompts.saveAnswers.push_back(out);
    rig.ctl.Export1Click();
    // The save dialog proposes the file opened last.
    QCOMPARE(rig.prompts.saveDialogs[0].fileName, Example());
    QCOMPARE(rig.prompts.saveDialogs[0].defaultExtension, std::string("zem"));
    QVERIFY(rig.prompts.confirmTexts.empty());
    QCOMPARE(rig.editor.status.Text(), "Exported to file: " + out);
    const std::optional<std::string> written = ReadWholeFile(out, nullptr);
    QVERIFY(written);
    QCOMPARE(*written, ZemFileText(BuildCommandSequence(rig.editor.model)));

    // Imported again, the written file gives the same model.
    Rig again;
    again.prompts.openAnswers.push_back(out);
    again.ctl.Import1Click();
    QCOMPARE(ModelDifference(again.editor.model, rig.editor.model), std::string());
  }

  void overwriteAsksFirstAndReplacesWhole() {
    QTemporaryDir dir;
    const std::string out = dir.filePath("old.zem").toStdString();
    QVERIFY(WriteFileAtomically(out, "old text\r\n", nullptr));
    Rig rig;
    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(3, 5)), "x.zem");

    rig.prompts.saveAnswers.push_back(out);
    rig.prompts.confirmAnswers.push_back(false);
    const std::string before = rig.editor.status.Text();
    rig.ctl.Export1Click();
    QCOMPARE(rig.prompts.confirmTexts, std::vector<std::string>{"File " + out + " exists. Overwrite?"});
    QCOMPARE(*ReadWholeFile(out, nullptr), std::string("old text\r\n"));
    QCOMPARE(rig.editor.status.Text(), before);

    const long long oldInode = Inode(out);
    rig.prompts.saveAnswers.push_back(out);
    rig.prompts.confirmAnswers.push_back(true);
    rig.ctl.Export1Click();
    QCOMPARE(*ReadWholeFile(out, nullptr), ZemFileText(BuildCommandSequence(rig.editor.model)));
    // Written beside and renamed into place, never rewritten in place.
    QVERIFY(Inode(out) != oldInode);
  }

  void cancelledDialogs() {
    Rig rig;
    rig.ctl.Import1Click();  // open dialog cancelled: nothing imported
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.model.SourceCount, -1);
    QCOMPARE(rig.editor.memo3.Lines(), (std::vector<std::string>{"No file was chosen.", kKept}));

    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 2)), "x.zem");
    const std::string before = rig.editor.status.Text();
    rig.ctl.Export1Click();  // save dialog cancelled
    QCOMPARE(rig.prompts.saveDialogs.size(), std::size_t{1});
    QCOMPARE(rig.editor.status.Text(), before);
    QCOMPARE(rig.editor.memo3.Lines(), BuildCommandSequence(rig.editor.model));
  }

  void unreadableAndUnwritableFilesAreErrors() {
    QTemporaryDir dir;
    Rig rig;
    const std::string missing = dir.filePath("missing.zem").toStdString();
    rig.prompts.openAnswers.push_back(missing);
    rig.ctl.Import1Click();
    QCOMPARE(rig.prompts.errors.size(), std::size_t{1});
    QVERIFY(rig.prompts.errors[0].rfind("Cannot open file " + missing + ". ", 0) == 0);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);

    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 2)), "x.zem");
    const std::string nowhere = dir.filePath("no/such/dir/out.zem").toStdString();
    rig.prompts.saveAnswers.push_back(nowhere);
    rig.ctl.Export1Click();
    QCOMPARE(rig.prompts.errors.size(), std::size_t{2});
    QVERIFY(rig.prompts.errors[1].rfind("Cannot create file " + nowhere + ". ", 0) == 0);
    QCOMPARE(rig.editor.status.Text(), std::string(" Export failed"));
    QVERIFY(!QFile::exists(QString::fromStdString(nowhere)));
  }
};

QTEST_GUILESS_MAIN(TestFileTransfer)
#include "test_file_transfer.moc"
