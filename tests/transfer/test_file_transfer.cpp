// File Mode import and export through the scripted dialogs.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "support/transfer_rig.h"
#include "transfer/file_io.h"

using namespace zem;
using namespace zem::test;
using Outcome = TransferController::Outcome;

namespace {

std::string Example() { return std::string(ZEM_SOURCE_DIR) + "/examples/small-8x24.zem"; }

long long Inode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_ino) : -1;
}

mode_t FileType(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// A null device a test may lose: /dev/null itself only where this process
// cannot replace it (as root a regression would replace the machine's own),
// otherwise a copy made in `folder`; empty when none can be made.
std::string NullDevice(const std::string& folder) {
  if (::access("/dev", W_OK) != 0) return "/dev/null";
  const std::string copy = folder + "/null";
  return ::mknod(copy.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? copy : std::string();
}

// While it lives, no file of this process may grow past `bytes`: a write
// beyond fails with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

// Writes `chunk` into the FIFO `path` over and over until its reader leaves
// (SIGPIPE is ignored in this test, so the writer sees EPIPE).
class FifoFeeder {
 public:
  FifoFeeder(std::string path, std::string chunk)
      : thread_([this, path, chunk] {
          const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
          if (fd < 0) return;
          while (::write(fd, chunk.data(), chunk.size()) > 0) written_ += chunk.size();
          ::close(fd);
        }) {}
  ~FifoFeeder() { thread_.join(); }
  std::size_t Written() const { return written_; }

 private:
  std::atomic<std::size_t> written_{0};
  std::thread thread_;
};

}  // namespace

class TestFileTransfer : public QObject {
  Q_OBJECT

 private slots:
  void importThenExportWritesTheSequence() {
    QTemporaryDir dir;
    Rig rig;
    rig.prompts.openAnswers.push_back(Example());
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.prompts.openDialogs.size(), std::size_t{1});
    QCOMPARE(rig.prompts.openDialogs[0].defaultExtension, std::string("zem"));
    QCOMPARE(rig.prompts.openDialogs[0].filter, std::string("ZEM files (*.zem)|*.zem|All Files (*.*)|*.*"));
    QCOMPARE(rig.prompts.openDialogs[0].fileName, std::string());
    QVERIFY(Contains(rig.statuses, " Imported complete from file: " + Example()));
    QCOMPARE(rig.statuses.back(), std::string(" Import Complete"));
    QCOMPARE(rig.editor.model.unit.SourceCount, 8);
    QCOMPARE(rig.editor.model.unit.ZoneCount, 24);
    QCOMPARE(rig.ctl.LastOpenedFile(), Example());

    const std::string out = dir.filePath("out.zem").toStdString();
    rig.prompts.saveAnswers.push_back(out);
    rig.ctl.ExportConfiguration();
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
    again.ctl.ImportConfiguration();
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
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.prompts.confirmTexts, std::vector<std::string>{"File " + out + " exists. Overwrite?"});
    QCOMPARE(*ReadWholeFile(out, nullptr), std::string("old text\r\n"));
    QCOMPARE(rig.editor.status.Text(), before);

    const long long oldInode = Inode(out);
    rig.prompts.saveAnswers.push_back(out);
    rig.prompts.confirmAnswers.push_back(true);
    rig.ctl.ExportConfiguration();
    QCOMPARE(*ReadWholeFile(out, nullptr), ZemFileText(BuildCommandSequence(rig.editor.model)));
    // Written beside and renamed into place, never rewritten in place.
    QVERIFY(Inode(out) != oldInode);
  }

  void cancelledDialogs() {
    Rig rig;
    rig.ctl.ImportConfiguration();  // open dialog cancelled: nothing imported
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::NothingRead);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.editor.model.unit.SourceCount, -1);
    QCOMPARE(rig.editor.messageLog.Lines(), (std::vector<std::string>{"No file was chosen.", kKept}));

    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 2)), "x.zem");
    const std::string before = rig.editor.status.Text();
    rig.ctl.ExportConfiguration();  // save dialog cancelled
    QCOMPARE(rig.prompts.saveDialogs.size(), std::size_t{1});
    QCOMPARE(rig.editor.status.Text(), before);
    QCOMPARE(rig.editor.messageLog.Lines(), BuildCommandSequence(rig.editor.model));
  }

  void unreadableAndUnwritableFilesAreErrors() {
    QTemporaryDir dir;
    Rig rig;
    const std::string missing = dir.filePath("missing.zem").toStdString();
    rig.prompts.openAnswers.push_back(missing);
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.prompts.errors.size(), std::size_t{1});
    QVERIFY(rig.prompts.errors[0].rfind("Cannot open file " + missing + ". ", 0) == 0);
    QVERIFY(!rig.editor.PagesEnabled());
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);

    rig.editor.ImportFileText(ZemFileText(GenerateConfiguration(2, 2)), "x.zem");
    const std::string nowhere = dir.filePath("no/such/dir/out.zem").toStdString();
    rig.prompts.saveAnswers.push_back(nowhere);
    rig.ctl.ExportConfiguration();
    QCOMPARE(rig.prompts.errors.size(), std::size_t{2});
    QVERIFY(rig.prompts.errors[1].rfind("Cannot create file " + nowhere + ". ", 0) == 0);
    QCOMPARE(rig.editor.status.Text(), std::string(" Export failed"));
    QVERIFY(!QFile::exists(QString::fromStdString(nowhere)));
  }

  void aFullDiskFailsTheExportAndKeepsTheOldFile() {
    QTemporaryDir dir;
    const std::string out = dir.filePath("kept.zem").toStdString();
    const std::string old(2000, 'o');
    QVERIFY(WriteFileAtomically(out, old, nullptr));
    Rig rig;
    // Small enough for QSaveFile's buffer, whose failed flush its commit() ignores.
    rig.editor.ImportFileText(*ReadWholeFile(Example(), nullptr), "x.zem");
    QVERIFY(ZemFileText(rig.editor.PrepareExport()).size() > 2048);
    rig.prompts.saveAnswers.push_back(out);
    rig.prompts.confirmAnswers.push_back(true);
    {
      FileSizeLimit fullDisk(2048);
      rig.ctl.ExportConfiguration();
    }
    QCOMPARE(rig.prompts.errors.size(), std::size_t{1});
    QCOMPARE(rig.prompts.errors[0], "Cannot create file " + out + ". File too large");
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Failed);
    QCOMPARE(*ReadWholeFile(out, nullptr), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left
  }

  void devicesAndFifosAreWrittenWhereTheyAre() {
    std::string error;
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("pipe").toStdString();
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
      const int fd = ::open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
      char buffer[4096];
      for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) received.append(buffer, std::size_t(n));
      ::close(fd);
    });
    const std::string text = ZemFileText(GenerateConfiguration(16, 192));
    const bool written = WriteFileAtomically(fifo, text, &error);
    reader.join();
    QVERIFY2(written, error.c_str());
    QCOMPARE(received.size(), text.size());
    QVERIFY(received == text);
    QCOMPARE(FileType(fifo), mode_t(S_IFIFO));

    QVERIFY(!WriteFileAtomically(dir.path().toStdString(), "x", &error));
    QCOMPARE(error, std::string("Is a directory"));

    const std::string null = NullDevice(dir.path().toStdString());
    if (null.empty()) QSKIP("no null device that may be lost");
    QVERIFY2(WriteFileAtomically(null, "text\r\n", &error), error.c_str());
    QCOMPARE(FileType(null), mode_t(S_IFCHR));
  }

  // A FIFO never blocks the window: without a peer, or with one that
  // trickles or stalls, Cancel ends the wait; a slow peer is read or
  // written in full.
  void fifosWaitWithoutBlocking_data() {
    QTest::addColumn<bool>("import");
    QTest::addColumn<QString>("peer");  // all but a slow one are cancelled
    QTest::newRow("import, no writer") << true << "none";
    QTest::newRow("import, writer trickling") << true << "trickle";
    QTest::newRow("import, slow writer") << true << "slow";
    QTest::newRow("export, no reader") << false << "none";
    QTest::newRow("export, reader stalled") << false << "stall";
    QTest::newRow("export, slow reader") << false << "slow";
  }
  void fifosWaitWithoutBlocking() {
    QFETCH(bool, import);
    QFETCH(QString, peer);
    const bool cancel = peer != "slow";
    std::signal(SIGPIPE, SIG_IGN);
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("pipe").toStdString();
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string text = ZemFileText(GenerateConfiguration(16, 192));
    std::atomic<bool> stop{false};
    std::string received;
    // A stalled reader: open, never reading, with a small pipe soon full.
    const int stalled = peer == "stall" ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (stalled >= 0) ::fcntl(stalled, F_SETPIPE_SZ, 4096);
    std::thread other([&] {
      if (peer == "none" || peer == "stall") return;
      const int fd = ::open(fifo.c_str(), (import ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
      for (std::size_t at = 0; (peer == "slow" || !stop) && at < text.size();) {
        char buffer[4096];
        ssize_t n = 0;
        if (peer == "trickle") n = ::write(fd, "x", 1);
        if (peer == "slow" && import)
          n = ::write(fd, text.data() + at, std::min<std::size_t>(4096, text.size() - at));
        if (peer == "slow" && !import && (n = ::read(fd, buffer, sizeof buffer)) > 0)
          received.append(buffer, std::size_t(n));
        if (n <= 0) break;
        at += import && peer == "slow" ? std::size_t(n) : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(peer == "slow" ? 2 : 50));
      }
      ::close(fd);
    });
    Rig rig;
    if (import) {
      rig.prompts.openAnswers.push_back(fifo);
    } else {
      rig.editor.ImportFileText(text, "x.zem");
      rig.prompts.saveAnswers.push_back(fifo);
      rig.prompts.confirmAnswers.push_back(true);
    }
    if (cancel) QTimer::singleShot(300, &rig.ctl, [&] { rig.ctl.Cancel(); });
    import ? rig.ctl.ImportConfiguration() : rig.ctl.ExportConfiguration();
    stop = true;
    other.join();
    if (stalled >= 0) ::close(stalled);
    QVERIFY(rig.prompts.errors.empty());
    QCOMPARE(rig.ctl.LastOutcome(), cancel ? Outcome::Cancelled : Outcome::Completed);
    if (cancel) QVERIFY(Contains(rig.statuses, " Waiting for file: " + fifo));
    if (!cancel && import) QCOMPARE(rig.editor.model.unit.ZoneCount, 192);
    if (!cancel && !import) QVERIFY(received == ZemFileText(rig.editor.messageLog.Lines()));
    QCOMPARE(FileType(fifo), mode_t(S_IFIFO));
  }

  // A signal that ends the program during a write leaves no temporary file.
  void endingSignalsRemoveTheTemporaryFile_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
  }
  void endingSignalsRemoveTheTemporaryFile() {
    QFETCH(int, signal);
    QTemporaryDir dir;
    const std::string out = dir.filePath("out.zem").toStdString();
    QVERIFY(WriteFileAtomically(out, "old\r\n", nullptr));
    const pid_t child = ::fork();
    if (child == 0) {
      std::signal(signal,
                  SIG_DFL);  // as in a program that does not handle it (the test's crash handler does)
      WriteFileAtomically(out, std::string(std::size_t{128} << 20, 'x'), nullptr);
      ::_exit(0);
    }
    // Once the temporary file is there, the signal comes.
    const auto hidden = [&] {
      return QDir(dir.path()).entryList({".out.zem.*"}, QDir::Files | QDir::Hidden);
    };
    for (int i = 0; i < 10000 && hidden().isEmpty(); ++i)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    QCOMPARE(hidden(), QStringList());
    QCOMPARE(*ReadWholeFile(out, nullptr), std::string("old\r\n"));
  }

  void importRefusesDevicesAndStopsAtTheLimits() {
    Rig rig;
    // (/dev/null rather than /dev/zero: a regression must not eat the machine.)
    rig.prompts.openAnswers.push_back("/dev/null");
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.prompts.errors,
             std::vector<std::string>{"Cannot open file /dev/null. A character device, not a regular file"});

    // A file longer than the limit: its beginning is imported, and said to be cut.
    QTemporaryDir dir;
    const std::string big = dir.filePath("big.zem").toStdString();
    const std::string example = *ReadWholeFile(Example(), nullptr);
    QVERIFY(WriteFileAtomically(big, example + example, nullptr));
    rig.ctl.SetCollectLimitBytes(example.size());
    rig.prompts.openAnswers.push_back(big);
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.model.unit.SourceCount, 8);
    QCOMPARE(rig.editor.receivedText.ByteCount(), example.size());
    QCOMPARE(
        rig.editor.messageLog.Line(rig.editor.messageLog.LineCount() - 1),
        "The file reached the limit of " + std::to_string(example.size()) + " bytes; the rest was not read.");

    // A FIFO fed forever ends at the limit too.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string fifo = dir.filePath("endless").toStdString();
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    rig.ctl.SetCollectLimitBytes(std::size_t{1} << 20);
    {
      FifoFeeder feeder(fifo, example);
      rig.prompts.openAnswers.push_back(fifo);
      rig.ctl.ImportConfiguration();
    }
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.model.unit.SourceCount, 8);
    QVERIFY(AnyContains(rig.editor.messageLog.Lines(), "The file reached the limit of 1 MiB"));

    // Bare line ends count as lines.
    QVERIFY(WriteFileAtomically(big, example + std::string(5000, '\n') + "[NI9\"late\"]\r\n", nullptr));
    rig.ctl.SetCollectLimitBytes(std::size_t{64} << 20);
    rig.ctl.SetCollectLimitLines(1000);
    rig.prompts.openAnswers.push_back(big);
    rig.ctl.ImportConfiguration();
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Incomplete);
    QCOMPARE(rig.editor.receivedText.LineCount(), std::size_t{1000});
    QVERIFY(AnyContains(rig.editor.messageLog.Lines(), "The file reached the limit of 1000 lines"));

    // Line ends past the first piece read, one CR LF across two pieces: the
    // line limit sees them all.
    std::string ends = std::string((std::size_t{64} << 10) - 1, 'x') + "\r\n";
    for (int i = 0; i < 299; ++i) ends += i % 2 ? "\n" : "\r\n";
    QVERIFY(WriteFileAtomically(big, ends, nullptr));
    std::string cut;
    QCOMPARE(ReadWholeFile(big, nullptr, &cut, ReadLimits{std::size_t{1} << 20, 300}).value_or(""), ends);
    QVERIFY(cut.empty());
    const std::optional<std::string> shorter =
        ReadWholeFile(big, nullptr, &cut, ReadLimits{std::size_t{1} << 20, 299});
    QVERIFY(shorter && *shorter == ends.substr(0, ends.size() - 2));
    QCOMPARE(cut, std::string("299 lines"));
  }

  // A large file comes back byte for byte, whatever its size against the
  // page size.
  // A text of many configurations is read a slice at a time, the window
  // answering between slices: the same model and log as one pass, and a
  // Cancel heard between slices keeps the configuration the user had.
  void largeTextsAreReadInSlices_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("read whole") << false;
    QTest::newRow("cancelled between slices") << true;
  }
  void largeTextsAreReadInSlices() {
    QFETCH(bool, cancel);
    QTemporaryDir dir;
    const std::string path = dir.filePath("many.zem").toStdString();
    const std::optional<std::string> one = ReadWholeFile(Example(), nullptr);
    QVERIFY(one);
    std::string many;
    while (std::count(many.begin(), many.end(), '\n') < 50000) many += *one;
    QVERIFY(WriteFileAtomically(path, many, nullptr));

    Rig rig;
    rig.prompts.openAnswers.push_back(Example());
    rig.ctl.ImportConfiguration();
    rig.editor.model.unit.ZoneNames[3] = "Kept";
    rig.editor.messageLog.Clear();
    rig.prompts.openAnswers.push_back(path);
    // Nothing before the reading waits on the event loop for a plain file,
    // so the first chance to hear Cancel is between the first two slices.
    if (cancel) QTimer::singleShot(0, &rig.ctl, [&] { rig.ctl.Cancel(); });
    rig.ctl.ImportConfiguration();
    if (cancel) {
      QCOMPARE(rig.ctl.LastOutcome(), Outcome::Cancelled);
      QCOMPARE(rig.editor.model.unit.ZoneNames[3], std::string("Kept"));
      QCOMPARE(rig.editor.model.unit.ZoneCount, 24);
      return;
    }
    QCOMPARE(rig.ctl.LastOutcome(), Outcome::Completed);
    Editor onePass;
    onePass.ImportFileText(many, path);
    QCOMPARE(ModelDifference(rig.editor.model, onePass.model), std::string());
    QCOMPARE(rig.editor.messageLog.Lines(), onePass.messageLog.Lines());
  }

  void largeFilesReadBackByteForByte() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("large.zem").toStdString();
    std::mt19937 random(5);
    for (const std::size_t size :
         {(std::size_t{3} << 20) + 5, std::size_t{4} << 20, (std::size_t{1} << 20) - 1}) {
      std::string bytes(size, '\0');
      for (char& c : bytes) c = static_cast<char>(random() % 256);
      QVERIFY(WriteFileAtomically(path, bytes, nullptr));
      std::string cut = "unset";
      const std::optional<std::string> read = ReadWholeFile(path, nullptr, &cut, ReadLimits{size + 1, size});
      QVERIFY(read && *read == bytes);
      QVERIFY(cut.empty());
    }
  }
};

QTEST_GUILESS_MAIN(TestFileTransfer)
#include "test_file_transfer.moc"
