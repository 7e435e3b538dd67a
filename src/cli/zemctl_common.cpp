// Pieces every zemctl command shares.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <utility>

#include "cli/zemctl.h"
#include "cli/zemctl_platform.h"
#include "command/change_set.h"
#include "command/command_writer.h"
#include "editor/read_back_check.h"
#include "transfer/file_io.h"

namespace zem {

namespace {

SaidMessages* said = nullptr;  // the living MessageRecord's

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterrupt(int) {
  interrupted = 1;
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends the program
}

}  // namespace

void CatchInterrupt() {
  // A Ctrl+C the caller has us ignore (a background job, nohup) stays ignored.
  if (std::signal(SIGINT, NoteInterrupt) == SIG_IGN) std::signal(SIGINT, SIG_IGN);
}

bool Interrupted() { return interrupted != 0; }

void PrintError(const std::string& message) {
  std::fprintf(stderr, "zemctl: %s\n", message.c_str());
  if (!said) return;
  constexpr std::string_view kWarning = "warning: ";
  if (message.rfind(kWarning, 0) == 0) {
    said->warnings.push_back(message.substr(kWarning.size()));
  } else {
    said->errors.push_back(message);
  }
}

void PrintNote(const std::string& message) {
  std::fprintf(stderr, "zemctl: %s\n", message.c_str());
  if (said) said->notes.push_back(message);
}

MessageRecord::MessageRecord() : outer_(said) { said = &said_; }

MessageRecord::~MessageRecord() { said = outer_; }

std::optional<std::string> CheckedExportText(Editor& editor, ExportTarget target, bool strict,
                                             const std::string& refused) {
  const std::vector<std::string> lines = editor.PrepareExport();
  const std::vector<ReadBackProblem> problems = CheckReadBack(editor.model, lines);
  const std::vector<ReadBackProblem> refusing = ProblemsWhere(problems, target, strict, true);
  if (refusing.empty()) {
    for (const ReadBackProblem& problem : ProblemsWhere(problems, target, strict, false))
      PrintError("warning: " + problem.Text());
    return ZemFileText(lines);
  }
  for (const ReadBackProblem& problem : refusing) PrintError(problem.Text());
  PrintError(std::string(OnlyUnsoundAddresses(refusing) ? "a unit cannot take these addresses; "
                                                        : "these values would not read back as they are; ") +
             refused);
  return std::nullopt;
}

std::optional<std::vector<std::string>> ChangedLines(const Editor& base, const Editor& next,
                                                     const std::string& ifCountsDiffer) {
  const UnitConfiguration& from = base.model.unit;
  const UnitConfiguration& to = next.model.unit;
  if (!ChangesCanBeSent(from, to)) {
    PrintError("counts differ: " + ifCountsDiffer);
    return std::nullopt;
  }
  return BuildChangedCommands(from, to);
}

bool PrintHelpIfAsked(const std::vector<std::string>& args, const CommandEntry& command) {
  for (const auto& a : args) {
    const OptionRow* row = FindOption(ProgramOptions(), a);
    if (row != nullptr && row->id == OptionId::Help) {
      std::fputs(HelpText(command).c_str(), stdout);
      return true;
    }
  }
  return false;
}

int Usage(const CommandEntry& command, const std::string& problem) {
  PrintError(problem);
  std::fputs(HelpText(command).c_str(), stderr);
  return kExitUsage;
}

int UnexpectedArgument(const CommandEntry& command, const std::string& argument) {
  return Usage(command, "unexpected argument '" + argument + "'");
}

std::string TerminalText(std::string_view singleByteText) {
  if (!TerminalIsUtf8()) return std::string(singleByteText);
  std::string text;
  text.reserve(singleByteText.size() + singleByteText.size() / 8);
  for (const char ch : singleByteText) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      text += ch;
    } else {  // Latin-1: the byte is the code point
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return text;
}

std::string LogText(const TextLog& log) {
  std::string text;
  text.reserve(log.ByteCount());
  for (std::size_t i = 0; i < log.LineCount(); ++i) {
    text.append(log.LineView(i));
    text += '\n';
  }
  return text;
}

LogPrinter::LogPrinter(std::FILE* out) : out_(out) { piece_.reserve(kPiece + 1024); }

void LogPrinter::Print(std::string_view line) {
  if (line.size() >= kPiece) {
    // A long line goes out as it is, not copied into the piece first.
    Flush();
    written_ = std::fwrite(line.data(), 1, line.size(), out_) == line.size() && written_;
  } else {
    piece_.append(line);
  }
  piece_ += '\n';
  if (piece_.size() >= kPiece) Flush();
}

void LogPrinter::Flush() {
  written_ = std::fwrite(piece_.data(), 1, piece_.size(), out_) == piece_.size() && written_;
  piece_.clear();
}

bool LogPrinter::Finish() {
  Flush();
  return std::fflush(out_) == 0 && written_;
}

namespace {

// Thrown by a read's waiter once the read's deadline has passed.
struct ReadDeadlinePassed {};

// Waits for a FIFO in slices, so that a writer who never comes (or never
// ends) is left at the deadline.
FileWaiter DeadlineWaiter(std::chrono::steady_clock::time_point end) {
  return [end](int fd, bool forWrite) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) throw ReadDeadlinePassed{};
    WaitForDescriptor(fd, forWrite, static_cast<int>(std::min<long long>(left, 250)));
  };
}

}  // namespace

bool ImportFile(Editor& editor, const std::string& path, bool* cut, int deadlineMs) {
  std::string error, limit;
  std::optional<std::string> text;
  if (deadlineMs < 0) {
    text = ReadWholeFile(path, &error, &limit);
  } else {
    const FileWaiter waiter =
        DeadlineWaiter(std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs));
    try {
      text = ReadWholeFile(path, &error, &limit, {}, &waiter);
    } catch (const ReadDeadlinePassed&) {
      error = "the read reached its deadline of " + std::to_string(deadlineMs / 1000) + " s";
    }
  }
  if (!text) {
    PrintError("cannot read " + path + ": " + error);
    return false;
  }
  *cut = !limit.empty();
  if (*cut) PrintError(path + " reached the limit of " + limit + "; only its beginning was read");
  editor.ImportFileText(std::move(*text), path);  // the text becomes receivedText, not copied
  return true;
}

bool WriteOutputFile(const std::string& path, const std::string& bytes) {
  std::string error;
  if (WriteFileAtomically(path, bytes, &error)) return true;
  PrintError("cannot write " + path + ": " + error);
  return false;
}

namespace {

FileIdentity Identify(const std::string& path) {
  FileIdentity id = SystemFileIdentity(path);
  std::error_code ec;
  const std::filesystem::path resolved =
      std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  id.resolved = ec ? path : resolved.string();
  return id;
}

// Two names of the same regular file, or of the same file yet to be made.
// Devices and FIFOs may be named twice (--log /dev/null --raw /dev/null).
bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists && b.exists) return a.regular && b.regular && a.device == b.device && a.inode == b.inode;
  return !a.exists && !b.exists && a.resolved == b.resolved;
}

}  // namespace

int CheckFiles(const std::string& input, const std::vector<OutputFile>& outputs) {
  std::vector<std::pair<const OutputFile*, FileIdentity>> seen;
  const FileIdentity in = input.empty() ? FileIdentity{} : Identify(input);
  for (const OutputFile& out : outputs) {
    if (out.path.empty()) continue;
    if (const std::optional<std::string> problem = WriteProblem(out.path)) {
      PrintError("cannot write " + out.path + ": " + *problem);
      return kExitUsage;
    }
    // The program's own descriptors (/dev/stdout...) are written where they
    // stand, never replaced.
    if (NamesOwnDescriptor(out.path)) continue;
    const FileIdentity id = Identify(out.path);
    if (!input.empty() && in.exists && SameFile(in, id)) {
      PrintError(std::string(out.option) + " " + out.path + " is the input file; nothing written");
      return kExitUsage;
    }
    for (const auto& [other, otherId] : seen) {
      if (SameFile(otherId, id)) {
        PrintError(std::string(other->option) + " and " + out.option + " name the same file " + out.path +
                   "; nothing written");
        return kExitUsage;
      }
    }
    seen.emplace_back(&out, id);
  }
  return kExitOk;
}

}  // namespace zem
