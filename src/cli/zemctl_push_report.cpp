// zemctl push --json: the report object.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "cli/zemctl.h"
#include "cli/zemctl_push.h"
#include "transfer/latin1.h"

namespace zem {
namespace {

// Each exit status's word, as 'zemctl push --help' lists them.
const char* ResultWord(const PushReport& report, int status) {
  switch (status) {
    case kExitOk:
      return "ok";
    case kExitFailed:  // also kExitDiffers
      return std::string_view(report.verify) == "differs" ? "differs" : "failed";
    case kExitUsage:
      return report.countsDiffer ? "counts-differ" : "invalid";
    case kExitNoConfiguration:
      return "no-configuration";
    case kExitIncomplete:
      return "refused";
    case kExitBackupFailed:
      return "read-failed";
    case kExitNotVerified:
      return "unverified";
    case kExitInterrupted:
      return "stopped";
    default:
      return "failed";
  }
}

// Single bytes as the characters U+0000-U+00FF.
QJsonArray TextArray(const std::vector<std::string>& texts) {
  QJsonArray array;
  for (const std::string& text : texts) array.append(Latin1(text));
  return array;
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : "\n") + text;
  return joined;
}

}  // namespace

std::string PushReportJson(const PushReport& report, int status, const SaidMessages& said) {
  QJsonObject object;
  object.insert(QStringLiteral("result"), QString::fromLatin1(ResultWord(report, status)));
  object.insert(QStringLiteral("exit"), status);
  object.insert(QStringLiteral("check"), report.check);
  // Whether the unit was sent a change, or with --check would be.
  object.insert(QStringLiteral("changed"), report.check ? !report.lines.empty() : report.linesSent > 0);
  object.insert(QStringLiteral("lines"), TextArray(report.lines));
  object.insert(QStringLiteral("lines_total"), static_cast<qint64>(report.lines.size()));
  object.insert(QStringLiteral("lines_sent"), report.linesSent);
  object.insert(QStringLiteral("lines_refused"), report.linesRefused);
  object.insert(QStringLiteral("stopped"), report.stopped);
  object.insert(QStringLiteral("counts_differ"), report.countsDiffer);
  object.insert(QStringLiteral("backup"), report.backup.empty()
                                              ? QJsonValue(QJsonValue::Null)
                                              : QJsonValue(QFile::decodeName(report.backup.c_str())));
  object.insert(QStringLiteral("verify"), QString::fromLatin1(report.verify));
  object.insert(QStringLiteral("differences"), TextArray(report.differences));
  // What went wrong in zemctl's words; else how it ended.
  const std::string message = status != kExitOk && !said.errors.empty() ? Joined(said.errors)
                              : said.notes.empty()                      ? std::string()
                                                                        : said.notes.back();
  object.insert(QStringLiteral("message"), Latin1(message));
  object.insert(QStringLiteral("warnings"), TextArray(said.warnings));
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

}  // namespace zem
