// zemctl site: backup, status, diff and push over every unit of a site
// file, one child zemctl per unit (zemctl_site_run.h), each unit's outcome
// one line or one JSON object as it ends, then a summary.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "cli/zemctl.h"
#include "cli/zemctl_site_run.h"
#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/config_diff.h"
#include "editor/editor.h"
#include "transfer/file_io.h"
#include "transfer/latin1.h"
#include "transfer/site_file.h"
#include "transfer/unit_backups.h"

namespace zem {
namespace {

constexpr OptionRow kSiteOptions[] = {
    {OptionId::Unit, "", "--unit", "NAME",
     "only this unit (may be given more than once;\n"
     "default: every unit of the site)"},
    {OptionId::Jobs, "", "--jobs", "N",
     "at most N units at once, 1-16 (default 16); a\n"
     "serial port never has two at once"},
    {OptionId::Json, "", "--json", "",
     "one JSON object a line instead: one for each unit\n"
     "as it ends, then the summary (see below)"},
    {OptionId::Into, "", "--into", "DIR",
     "backup, push: the backups go to DIR/<unit>/\n"
     "(default: the window's backups folder)"},
    {OptionId::Reads, "", "--reads", "DIR",
     "status, diff, push --check: keep each unit's whole\n"
     "read as DIR/<unit>.zem (default: a new folder under\n"
     "the system's temporary folder, named in the output)"},
    {OptionId::Check, "", "--check", "",
     "push: read each unit and say what would be sent;\n"
     "send nothing"},
    {OptionId::Full, "", "--full", "",
     "push: a unit whose source or zone counts differ\n"
     "from its file's gets the whole file"},
    {OptionId::Timeout, "", "--timeout", "SECONDS",
     "each unit's connecting and each wait for it, as for\n"
     "'zemctl pull' and 'zemctl push' (default 30)"},
    {OptionId::Deadline, "", "--deadline", "SECONDS", "each transfer with a unit in all (default 600)"},
    {OptionId::Trace, "", "--trace", "DIR",
     "write what passed on each unit's link, both ways,\n"
     "to DIR/<unit>.txt as 'zemctl pull --trace' writes it\n"
     "(status: a unit not reached also DIR/<unit>-check.txt)"},
};

constexpr HelpPiece kSiteHelp[] = {
    {"Usage: zemctl site backup SITE.zemsite [--into DIR]\n"
     "       zemctl site status SITE.zemsite [--reads DIR]\n"
     "       zemctl site diff SITE.zemsite [--unit NAME] [--reads DIR]\n"
     "       zemctl site push SITE.zemsite [--unit NAME] [--check] [--full] [--into DIR]\n"
     "       (each also with [--jobs N] [--json] [--timeout SECONDS] [--deadline SECONDS]\n"
     "       [--trace DIR])\n"
     "\n"
     "Works on every unit of a site file (docs/zem-site.schema.json) at once,\n"
     "each unit in a zemctl of its own, so a unit that hangs or fails holds up\n"
     "no other:\n"
     "  backup  pulls each unit into DIR/<unit>/YYYY-MM-DD-HHMMSS.zem, the\n"
     "          newest 50 of each unit kept, as the window's Back Up Before\n"
     "          Export keeps them\n"
     "  status  reads each unit and compares it with its file as 'zemctl push\n"
     "          --verify' does (only what the file sets): \"in step\", \"N\n"
     "          differences\", \"counts differ\", or why it was not read: the\n"
     "          verdict of 'zemctl check-link' and its advice\n"
     "  diff    the same, with each difference as 'zemctl diff FILE UNIT' words it\n"
     "  push    sends each unit only what it lacks, as 'zemctl push FILE\n"
     "          --changes --backup B --verify' does: a backup first (kept as\n"
     "          backup keeps it), the changes from it, a read-back after\n"
     "          (--check: 'zemctl push --check', nothing sent). A\n"
     "          unit whose counts differ from its file's is refused (\"counts\n"
     "          differ: a full export is needed\") unless --full is given.\n"
     "\n"
     "Options:\n"},
    {.list = 0, .column = 24},
    {"\n"
     "Each unit's outcome is one line, \"UNIT: STATE[: why]\", printed as the unit\n"
     "ends (diff and push --check list their lines under it, indented), then a\n"
     "summary line. With --json each is one JSON object on a line of its own:\n"
     "  {\"unit\": NAME, \"link\": \"telnet HOST:PORT\", \"ok\": true|false,\n"
     "   \"state\": STATE, \"message\": WHY, ...}\n"
     "STATE is \"in step\", \"differs\" (\"differences\": N; \"leftOut\": differences in\n"
     "values the file does not set), \"counts differ\", \"unreachable\" (status:\n"
     "\"verdict\": the code 'zemctl check-link' gives), \"incomplete\", \"failed\",\n"
     "\"backed up\" (\"backup\": PATH),\n"
     "\"would send\" (\"commands\": [LINES]), \"nothing to send\", \"pushed\" (\"sent\":\n"
     "N, \"verified\": true), \"stopped\" (\"after\": K, \"of\": M) or \"not started\";\n"
     "a unit read whole also has \"read\": PATH, diff \"diff\": [as 'zemctl diff\n"
     "--json'], a backup taken \"backup\": PATH. The last object is the summary:\n"
     "  {\"summary\": true, \"site\": NAME, \"command\": COMMAND, \"units\": N,\n"
     "   \"ok\": N, \"failed\": N, \"exit\": STATUS}\n"
     "\n"
     "Ctrl+C starts no further unit; a unit being read (backup, status, diff)\n"
     "finishes its read; a push stops as 'zemctl push' does at Ctrl+C (once the\n"
     "command in flight is answered; at once while it reads, nothing sent).\n"
     "Each unit says where it stands: done, \"stopped after command K of M\",\n"
     "\"stopped before sending anything\" or \"not started\". A second Ctrl+C (or\n"
     "SIGTERM) ends every unit at once.\n"
     "Exit status: 0 every unit's work was done (status and diff: every unit\n"
     "read and compared, whatever it holds); 1 any unit failed, differed after\n"
     "a push, or did not finish; 2 a bad site file or bad arguments (nothing\n"
     "done).\n"},
};

enum class SiteCommand { Backup, Status, Diff, Push };

struct SiteArgs {
  SiteCommand command = SiteCommand::Status;
  std::string commandName;
  std::string sitePath;
  std::vector<std::string> units;
  int jobs = kSiteJobsMax;
  bool json = false, check = false, full = false;
  std::string into, reads, trace;
  UnitLimits limits{30 * 1000, 600 * 1000};
};

// What became of one unit.
struct UnitOutcome {
  bool ok = false;
  std::string state;    // the JSON's "state"
  std::string shown;    // the line's words, when they differ from `state`
  std::string message;  // why, in the child's words
  QJsonObject extra;
  std::vector<std::string> detail;  // lines under the unit's line
};

// The last line a child said on standard error, without "zemctl: ".
std::string LastMessage(const std::string& err) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < err.size()) {
    std::size_t end = err.find('\n', at);
    if (end == std::string::npos) end = err.size();
    std::string line = err.substr(at, end - at);
    // Progress shown in place ends with a carriage return: its last piece.
    if (const std::size_t cr = line.rfind('\r'); cr != std::string::npos) line.erase(0, cr + 1);
    if (line.rfind("zemctl: ", 0) == 0) line.erase(0, 8);
    if (!line.empty() && line.rfind("warning: ", 0) != 0) lines.push_back(line);
    at = end + 1;
  }
  return lines.empty() ? std::string() : lines.back();
}

// Why a unit could not be read: its child's own words (status then asks
// the connection check why, AddVerdict).
std::string UnreachableReason(std::string said) {
  // What the child did not write is this run's business, not the user's.
  if (const std::size_t tail = said.find(" Nothing imported; "); tail != std::string::npos) said.erase(tail);
  return said.empty() ? "no answer" : said;
}

// The connection check's limits are its own (at most 10 s connecting, 5 s
// for an answer, a drain); past this it has hung.
constexpr int kCheckLinkLimitMs = 60000;

// What 'zemctl check-link --json' found, added to a unit not reached: its
// verdict and advice replace the pull's words, which the advice repeats.
void AddVerdict(const SiteChildResult& check, UnitOutcome& o) {
  if (check.ending != SiteChildResult::Ending::Exited) return;
  const QJsonObject found = QJsonDocument::fromJson(QByteArray::fromStdString(check.out)).object();
  const QString verdict = found.value("verdict").toString();
  if (verdict.isEmpty() || verdict == "unit") return;  // it answered the check: the pull's words stand
  o.extra.insert("verdict", verdict);
  o.message = verdict.toStdString() + ": " + found.value("advice").toString().toStdString();
}

// How a child ended when it did not end by itself.
std::optional<UnitOutcome> AbnormalEnding(const SiteChildResult& r, int limitMs) {
  UnitOutcome o;
  switch (r.ending) {
    case SiteChildResult::Ending::Exited:
      return std::nullopt;
    case SiteChildResult::Ending::NotStarted:
      o.state = "not started";
      return o;
    case SiteChildResult::Ending::Crashed:
      o.state = "failed";
      o.message = "its zemctl crashed or could not start";
      return o;
    case SiteChildResult::Ending::TimedOut:
      o.state = "failed";
      o.message = "no result in " + std::to_string(limitMs / 1000) + " s; stopped";
      return o;
    case SiteChildResult::Ending::Killed:
      o.state = "stopped";
      o.message = "ended at once by a second Ctrl+C (or SIGTERM)";
      return o;
  }
  return std::nullopt;
}

// The intended configuration of a unit, read as 'zemctl check' reads it.
std::unique_ptr<Editor> ReadIntended(const SiteUnit& unit, std::string* problem) {
  std::string error, cut;
  std::optional<std::string> text = ReadWholeFile(unit.path, &error, &cut);
  if (!text) {
    *problem = "cannot read " + unit.path + ": " + error;
    return nullptr;
  }
  if (!cut.empty()) {
    *problem = unit.path + " passed the read limit of " + cut;
    return nullptr;
  }
  auto editor = std::make_unique<Editor>();
  editor->ImportFileText(std::move(*text), unit.path);
  if (!editor->HasConfiguration()) {
    *problem = NoConfigurationText(unit.path);
    return nullptr;
  }
  return editor;
}

// A unit's read, which its child pull wrote whole.
std::unique_ptr<Editor> ReadBack(const std::string& path, std::string* problem) {
  SiteUnit file;
  file.path = path;
  return ReadIntended(file, problem);
}

QJsonArray Strings(const std::vector<std::string>& lines) {
  QJsonArray array;
  for (const std::string& line : lines) array.append(Latin1(line));
  return array;
}

class SiteRun {
 public:
  SiteRun(SiteArgs args, Site site) : args_(std::move(args)), site_(std::move(site)) {}

  // Prepares the folders and children; kExitOk, or kExitUsage after saying why.
  int Prepare();
  int Run();

 private:
  std::vector<std::string> Link(const SiteUnit& unit) const {
    return {unit.serial ? "--serial" : "--telnet", unit.address};
  }
  // --trace DIR: the child's own support file, DIR/<unit><suffix>.txt.
  QStringList Trace(const SiteUnit& unit, const char* suffix) const {
    if (args_.trace.empty()) return {};
    return {"--trace", QFile::decodeName((args_.trace + "/" + unit.name + suffix + ".txt").c_str())};
  }
  QStringList Limits() const {
    return {"--timeout", QString::number(args_.limits.timeoutMs / 1000), "--deadline",
            QString::number(args_.limits.deadlineMs / 1000)};
  }
  std::string ReadPath(const SiteUnit& unit) const { return readsFolder_ + "/" + unit.name + ".zem"; }
  UnitOutcome Outcome(std::size_t index, const SiteChildResult& result);
  UnitOutcome AfterPull(std::size_t index, const SiteChildResult& result);
  UnitOutcome AfterPush(std::size_t index, const SiteChildResult& result);
  void KeepBackup(const SiteUnit& unit, const std::string& path, UnitOutcome& o) const;
  void Report(const SiteUnit& unit, const UnitOutcome& o);

  SiteArgs args_;
  Site site_;
  std::vector<SiteUnit> units_;
  std::vector<std::shared_ptr<const Editor>> intended_;  // units with one file share it
  std::vector<std::string> intendedProblem_;
  std::vector<SiteChild> children_;
  std::unique_ptr<QTemporaryDir> temp_;
  std::string readsFolder_;
  bool keepReads_ = false;
  std::string backupRoot_;
  int ok_ = 0, failed_ = 0;
};

int SiteRun::Prepare() {
  const bool pulls = args_.command != SiteCommand::Push;
  for (const SiteUnit& unit : site_.units)
    if (args_.units.empty() || std::count(args_.units.begin(), args_.units.end(), unit.name))
      units_.push_back(unit);
  for (const std::string& name : args_.units)
    if (std::none_of(units_.begin(), units_.end(), [&](const SiteUnit& u) { return u.name == name; })) {
      PrintError("the site has no unit '" + name + "'");
      return kExitUsage;
    }

  // Where the reads go: kept for status, diff and push --check (the window
  // takes them as what each unit holds), else a folder of this run's own.
  keepReads_ = args_.command != SiteCommand::Backup && (pulls || args_.check);
  if (!args_.reads.empty() && keepReads_) {
    readsFolder_ = args_.reads;
    if (!QDir().mkpath(QFile::decodeName(readsFolder_.c_str()))) {
      PrintError("cannot make the folder " + readsFolder_);
      return kExitUsage;
    }
  } else {
    temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/zemctl-site-XXXXXX");
    if (!temp_->isValid()) {
      PrintError("cannot make a temporary folder: " + temp_->errorString().toStdString());
      return kExitUsage;
    }
    temp_->setAutoRemove(!keepReads_);
    readsFolder_ = QFile::encodeName(temp_->path()).toStdString();
  }
  if (args_.command == SiteCommand::Backup || (args_.command == SiteCommand::Push && !args_.check)) {
    backupRoot_ = args_.into.empty() ? unit_backups::DefaultRoot() : args_.into;
    if (backupRoot_.empty()) {
      PrintError("there is no data folder to keep backups in; give --into DIR");
      return kExitUsage;
    }
  }

  if (!args_.trace.empty() && !QDir().mkpath(QFile::decodeName(args_.trace.c_str()))) {
    PrintError("cannot make the folder " + args_.trace);
    return kExitUsage;
  }

  std::map<std::string, std::pair<std::shared_ptr<const Editor>, std::string>> files;
  for (const SiteUnit& unit : units_) {
    std::string problem;
    if (args_.command != SiteCommand::Backup) {
      auto [known, added] = files.try_emplace(unit.path);
      if (added) known->second.first = ReadIntended(unit, &known->second.second);
      problem = known->second.second;
    }
    intended_.push_back(args_.command == SiteCommand::Backup ? nullptr : files[unit.path].first);
    intendedProblem_.push_back(problem);
    // A read left from an earlier run is not this run's.
    RemoveFile(ReadPath(unit));
    SiteChild child;
    child.serialPort = unit.serial ? unit.address : std::string();
    // Past its own limits a child has hung: bounded here too (a timer takes at most INT_MAX ms).
    const qint64 transfer = qint64{args_.limits.deadlineMs} + args_.limits.timeoutMs;
    const auto limit = [](qint64 ms) {
      return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
    };
    QStringList cli;
    if (pulls) {
      cli << "pull" << QFile::decodeName(Link(unit)[0].c_str()) << QFile::decodeName(Link(unit)[1].c_str())
          << "-o" << QFile::decodeName(ReadPath(unit).c_str());
      child.limitMs = limit(transfer + 15000);
    } else {
      // The child reads the unit first (its backup, or with --check the
      // read kept) and says in one JSON object how it went.
      cli << "push" << QFile::decodeName(unit.path.c_str()) << QFile::decodeName(Link(unit)[0].c_str())
          << QFile::decodeName(Link(unit)[1].c_str()) << "--backup"
          << QFile::decodeName(ReadPath(unit).c_str()) << "--json";
      if (args_.check) {
        cli << "--check";
      } else {
        if (!args_.full) cli << "--changes";
        cli << "--verify";
      }
      child.limitMs = limit(3 * transfer + 15000);  // backup, send, read back
      child.stoppable = !args_.check;
    }
    cli << Limits() << Trace(unit, "");
    child.args = cli;
    child.skip = !problem.empty();  // its file cannot be read: nothing to do with the unit
    children_.push_back(child);
  }
  return kExitOk;
}

UnitOutcome SiteRun::AfterPull(std::size_t index, const SiteChildResult& result) {
  const SiteUnit& unit = units_[index];
  UnitOutcome o;
  const std::string read = ReadPath(unit);
  if (result.status != kExitOk) RemoveFile(read);  // never taken for a whole read
  switch (result.status) {
    case kExitOk:
      break;
    case kExitIncomplete:
      o.state = "incomplete";
      o.message = "the unit's answer may be incomplete: " + LastMessage(result.err);
      return o;
    case kExitFailed:
    case kExitNoConfiguration:
      o.state = "unreachable";
      o.message = UnreachableReason(LastMessage(result.err));
      return o;
    default:
      o.state = "failed";
      o.message = LastMessage(result.err);
      return o;
  }

  if (args_.command == SiteCommand::Backup) {
    KeepBackup(unit, read, o);
    if (o.message.empty()) {
      o.ok = true;
      o.state = "backed up";
      o.shown = "backed up to " + o.extra.value("backup").toString().toStdString();
    }
    return o;
  }
  std::string problem;
  const std::unique_ptr<Editor> held = ReadBack(read, &problem);
  if (!held) {
    o.state = "failed";
    o.message = problem;
    return o;
  }
  if (keepReads_) o.extra.insert("read", QFile::decodeName(read.c_str()));
  const Editor& intended = *intended_[index];
  const bool sameCounts = ChangesCanBeSent(held->model.unit, intended.model.unit);
  o.ok = true;
  // As a push's read-back compares: what the file sets, so "in step" is
  // what a push leaves behind (a unit keeps the audio of zones the file
  // gives none, which no command of an export clears).
  std::size_t leftOut = 0;
  const std::vector<ConfigDifference> differences =
      DifferencesAfterExport(intended.model, held->model, &leftOut);
  o.extra.insert("differences", static_cast<qint64>(differences.size()));
  o.extra.insert("leftOut", static_cast<qint64>(leftOut));
  if (!sameCounts) {
    o.state = "counts differ";
  } else {
    o.state = differences.empty() ? "in step" : "differs";
    o.shown = differences.empty() ? o.state : std::to_string(differences.size()) + " differences";
    if (differences.size() == 1) o.shown = "1 difference";
  }
  if (args_.command == SiteCommand::Diff) {
    for (const ConfigDifference& d : differences) o.detail.push_back(DifferenceLine(d));
    o.extra.insert("diff", DifferencesJson(differences));
  }
  return o;
}

void SiteRun::KeepBackup(const SiteUnit& unit, const std::string& path, UnitOutcome& o) const {
  std::string error;
  const std::optional<std::string> text = ReadWholeFile(path, &error);
  if (!text) return;  // the child wrote none
  const std::optional<std::string> kept =
      unit_backups::Write(backupRoot_, unit.name, *text, QDateTime::currentDateTime(), &error);
  if (!kept) {
    o.state = "failed";
    o.message = "the backup was not kept: " + error;
    return;
  }
  o.extra.insert("backup", QFile::decodeName(kept->c_str()));
}

UnitOutcome SiteRun::AfterPush(std::size_t index, const SiteChildResult& result) {
  const SiteUnit& unit = units_[index];
  UnitOutcome o;
  if (args_.check) {
    if (keepReads_ && result.status != kExitBackupFailed &&
        QFile::exists(QFile::decodeName(ReadPath(unit).c_str())))
      o.extra.insert("read", QFile::decodeName(ReadPath(unit).c_str()));
  } else {
    KeepBackup(unit, ReadPath(unit), o);
    if (!o.message.empty()) return o;  // the backup is lost: that is said whatever else happened
  }
  // The child's report: the last line of its standard output.
  std::string last = result.out;
  while (!last.empty() && last.back() == '\n') last.pop_back();
  last.erase(0, last.rfind('\n') == std::string::npos ? 0 : last.rfind('\n') + 1);
  const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(last)).object();
  const std::string said = LastMessage(result.err);
  if (report.isEmpty()) {
    o.state = "failed";
    o.message = said.empty() ? "its zemctl gave no report" : said;
    return o;
  }
  const QString outcome = report.value("result").toString();
  const QJsonArray lines = report.value("lines").toArray();
  const int sent = report.value("lines_sent").toInt();
  // Stopped by Ctrl+C (this run passed it on): where, in push's words
  // ("interrupted: stopped after command 4 of 12. The unit's groups are
  // incomplete: ..."), and what is left half-written, if anything.
  if (report.value("stopped").toBool()) {
    static const QRegularExpression stopPoint(
        QStringLiteral("^interrupted: (?:stopped )?(after command (\\d+) of (\\d+)|before [^.;]*|every line "
                       "was answered, not "
                       "verified)(.*)$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch stop = stopPoint.match(report.value("message").toString());
    o.state = "stopped";
    o.shown = stop.hasMatch() ? "stopped " + stop.captured(1).toStdString() : "stopped";
    o.extra.insert("after", stop.captured(2).isEmpty() ? sent : stop.captured(2).toInt());
    o.extra.insert("of",
                   stop.captured(3).isEmpty() ? static_cast<int>(lines.size()) : stop.captured(3).toInt());
    QString rest = stop.captured(4);
    while (rest.startsWith('.') || rest.startsWith(';') || rest.startsWith(' ')) rest.remove(0, 1);
    o.message = Latin1Bytes(rest);
    return o;
  }
  if (outcome == "ok") {
    o.ok = true;
    const bool changed = report.value("changed").toBool();
    std::vector<std::string> commands;
    for (const QJsonValue& line : lines) commands.push_back(Latin1Bytes(line.toString()));
    if (args_.check) {
      o.state = changed ? "would send" : "nothing to send";
      o.shown = changed ? "would send " + std::to_string(commands.size()) + " lines" : o.state;
      o.extra.insert("commands", lines);
      o.detail = commands;
    } else {
      o.state = changed ? "pushed" : "nothing to send";
      o.shown = changed ? "pushed " + std::to_string(sent) + " lines, verified" : o.state;
      o.extra.insert("sent", sent);
      o.extra.insert("verified", report.value("verify").toString() == "ok");
    }
    return o;
  }
  if (outcome == "counts-differ") {
    o.state = "counts differ";
    o.shown = "counts differ: a full export is needed";
    if (args_.check && args_.full) {
      // The whole file would go, as push --full sends it.
      std::vector<std::string> whole = BuildCommandSequence(intended_[index]->model);
      std::erase(whole, std::string());
      o.ok = true;
      o.state = "would send";
      o.shown = "would send the whole file: " + std::to_string(whole.size()) + " lines";
      o.extra.insert("commands", Strings(whole));
    }
    return o;
  }
  o.message = LastMessage(Latin1Bytes(report.value("message").toString()));
  if (o.message.empty()) o.message = said;
  if (outcome == "read-failed") {
    o.state = "unreachable";
    // The first of push's lines says why the unit could not be read.
    o.message = "nothing sent: " +
                UnreachableReason(Latin1Bytes(report.value("message").toString().section('\n', 0, 0)));
  } else if (outcome == "differs") {
    const QJsonArray differences = report.value("differences").toArray();
    o.state = "differs";
    o.shown = "sent, but the unit differs in " + std::to_string(differences.size()) +
              (differences.size() == 1 ? " value" : " values");
    for (const QJsonValue& d : differences) o.detail.push_back(Latin1Bytes(d.toString()));
    o.extra.insert("differences", static_cast<qint64>(differences.size()));
    o.extra.insert("verified", false);
    // Commands the unit refused are the likely reason.
    if (report.value("lines_refused").toInt() > 0)
      o.message = std::to_string(report.value("lines_refused").toInt()) + " of " + std::to_string(sent) +
                  " commands refused";
  } else if (outcome == "refused") {
    o.state = "refused";
  } else if (outcome == "unverified") {
    o.state = "unverified";
  } else {
    o.state = "failed";
  }
  if (sent > 0) {
    o.extra.insert("sent", sent);
    o.extra.insert("of", static_cast<int>(lines.size()));
  }
  return o;
}

UnitOutcome SiteRun::Outcome(std::size_t index, const SiteChildResult& result) {
  const SiteUnit& unit = units_[index];
  if (!intendedProblem_[index].empty()) {
    UnitOutcome o;
    o.state = "failed";
    o.message = intendedProblem_[index];
    return o;
  }
  if (std::optional<UnitOutcome> abnormal = AbnormalEnding(result, children_[index].limitMs)) {
    // A backup the child wrote before it ended is kept all the same; a
    // read cut short is no read.
    if (args_.command == SiteCommand::Push && !args_.check) KeepBackup(unit, ReadPath(unit), *abnormal);
    RemoveFile(ReadPath(unit));
    return *abnormal;
  }
  return args_.command == SiteCommand::Push ? AfterPush(index, result) : AfterPull(index, result);
}

void SiteRun::Report(const SiteUnit& unit, const UnitOutcome& o) {
  (o.ok ? ok_ : failed_) += 1;
  std::string text;
  if (args_.json) {
    QJsonObject object{{"unit", QString::fromStdString(unit.name)},
                       {"link", QFile::decodeName(unit.LinkText().c_str())},
                       {"ok", o.ok},
                       {"state", QString::fromStdString(o.state)}};
    if (!o.message.empty()) object.insert("message", Latin1(o.message));
    for (auto it = o.extra.begin(); it != o.extra.end(); ++it) object.insert(it.key(), it.value());
    text = QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
  } else {
    text = unit.name + ": " + TerminalText(o.shown.empty() ? o.state : o.shown);
    if (!o.message.empty()) text += ": " + TerminalText(o.message);
    text += "\n";
    for (const std::string& line : o.detail) text += "  " + TerminalText(line) + "\n";
  }
  // Each unit as it ends: a reader of the stream (the window) fills its list.
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

int SiteRun::Run() {
  const QString program = QCoreApplication::applicationFilePath();
  // status: a unit not reached is reported once the connection check has
  // said why (a second round of children, 'zemctl check-link' each).
  const bool explain = args_.command == SiteCommand::Status;
  std::vector<std::size_t> unreached;
  std::map<std::size_t, UnitOutcome> held;
  bool interrupted =
      RunSiteChildren(program, children_, args_.jobs, [&](std::size_t i, SiteChildResult& result) {
        UnitOutcome o = Outcome(i, result);
        if (explain && o.state == "unreachable") {
          unreached.push_back(i);
          held.emplace(i, std::move(o));
        } else {
          Report(units_[i], o);
        }
      });
  if (!unreached.empty()) {
    std::vector<SiteChild> checks;
    for (const std::size_t i : unreached) {
      SiteChild check;
      check.args << "check-link" << QFile::decodeName(Link(units_[i])[0].c_str())
                 << QFile::decodeName(Link(units_[i])[1].c_str()) << "--json" << Trace(units_[i], "-check");
      check.serialPort = children_[i].serialPort;
      check.limitMs = kCheckLinkLimitMs;
      check.skip = interrupted;  // Ctrl+C: the units are reported as the pull left them
      checks.push_back(check);
    }
    interrupted |= RunSiteChildren(program, checks, args_.jobs, [&](std::size_t k, SiteChildResult& result) {
      UnitOutcome& o = held[unreached[k]];
      AddVerdict(result, o);
      Report(units_[unreached[k]], o);
    });
  }
  const int status = failed_ > 0 ? kExitFailed : kExitOk;
  if (args_.json) {
    QJsonObject summary{{"summary", true},
                        {"site", QString::fromUtf8(site_.name.c_str())},
                        {"command", QString::fromStdString(args_.commandName)},
                        {"units", static_cast<int>(units_.size())},
                        {"ok", ok_},
                        {"failed", failed_},
                        {"exit", status}};
    if (interrupted) summary.insert("interrupted", true);
    if (keepReads_) summary.insert("reads", QFile::decodeName(readsFolder_.c_str()));
    std::fputs((QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() + "\n").c_str(), stdout);
  } else {
    std::printf("%s: %d units, %d ok, %d failed%s\n", site_.name.c_str(), static_cast<int>(units_.size()),
                ok_, failed_, interrupted ? " (interrupted)" : "");
    if (keepReads_) std::printf("reads kept in %s\n", readsFolder_.c_str());
  }
  std::fflush(stdout);
  return status;
}

}  // namespace

constexpr CommandEntry kSiteCommand{.name = "site",
                                    .synopsis = "backup|status|diff|push SITE.zemsite",
                                    .summary = "back up, check or update every unit of a site",
                                    .options = kSiteOptions,
                                    .maxOperands = 2,
                                    .help = kSiteHelp,
                                    .run = RunSite};

int RunSite(const std::vector<std::string>& args) {
  if (PrintHelpIfAsked(args, kSiteCommand)) return kExitOk;
  SiteArgs site;
  std::vector<std::string> operands;
  const ParsedArguments parsed = ParseArguments(kSiteCommand, args);
  for (const GivenArgument& a : parsed.given) {
    std::string problem;
    LinkArgs noLink;
    if (a.id == OptionId::Timeout || a.id == OptionId::Deadline) {
      TakeUnitOption(a, noLink, site.limits, &problem);
      if (!problem.empty()) return Usage(kSiteCommand, problem);
    }
    switch (a.id) {
      case OptionId::Operand:
        operands.push_back(a.value);
        break;
      case OptionId::Unit:
        site.units.push_back(a.value);
        break;
      case OptionId::Jobs: {
        int ms = 0;
        if (!ParseSeconds(a.value, &ms) || ms > kSiteJobsMax * 1000)
          return Usage(kSiteCommand, "--jobs takes a whole number 1-16, not '" + a.value + "'");
        site.jobs = ms / 1000;
        break;
      }
      case OptionId::Json:
        site.json = true;
        break;
      case OptionId::Check:
        site.check = true;
        break;
      case OptionId::Full:
        site.full = true;
        break;
      case OptionId::Into:
        site.into = a.value;
        break;
      case OptionId::Reads:
        site.reads = a.value;
        break;
      case OptionId::Trace:
        site.trace = a.value;
        break;
      default:
        break;
    }
  }
  if (parsed.unexpected) return UnexpectedArgument(kSiteCommand, *parsed.unexpected);
  if (operands.size() != 2) return Usage(kSiteCommand, "site needs a command and a site file");
  site.commandName = operands[0];
  site.sitePath = operands[1];
  const std::pair<const char*, SiteCommand> commands[] = {{"backup", SiteCommand::Backup},
                                                          {"status", SiteCommand::Status},
                                                          {"diff", SiteCommand::Diff},
                                                          {"push", SiteCommand::Push}};
  const auto named = std::find_if(std::begin(commands), std::end(commands),
                                  [&](const auto& c) { return site.commandName == c.first; });
  if (named == std::end(commands))
    return Usage(kSiteCommand, "unknown site command '" + site.commandName + "'");
  site.command = named->second;
  const bool push = site.command == SiteCommand::Push;
  if ((site.check || site.full) && !push) return Usage(kSiteCommand, "--check and --full go with push only");
  if (!site.into.empty() && site.command != SiteCommand::Backup && !(push && !site.check))
    return Usage(kSiteCommand, "--into goes with backup and push");
  if (!site.reads.empty() && (site.command == SiteCommand::Backup || (push && !site.check)))
    return Usage(kSiteCommand, "--reads goes with status, diff and push --check");

  std::string error;
  std::optional<Site> file = ReadSiteFile(site.sitePath, &error);
  if (!file) {
    PrintError(error);
    return kExitUsage;
  }
  SiteRun run(std::move(site), std::move(*file));
  if (const int status = run.Prepare()) return status;
  return run.Run();
}

}  // namespace zem
