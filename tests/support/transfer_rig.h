#pragma once

#include <QStringList>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "command/command_writer.h"
#include "editor/editor.h"
#include "sim/sim_config.h"
#include "sim/unit_sim.h"
#include "transfer/scripted_prompts.h"
#include "transfer/transfer_controller.h"

namespace zem::test {

// What the simulated unit and the link do on this system: the unit's
// pseudo-terminal is Linux-only (serial rows skip with kNoPty elsewhere), and
// only Linux tells a reset connection from a closed one (elsewhere an ended
// link reads as closed).
#ifdef Q_OS_WIN
inline constexpr bool kSimHasPty = false;
inline constexpr bool kTellsReset = false;
#else
inline constexpr bool kSimHasPty = true;
inline constexpr bool kTellsReset = true;
#endif
inline const char kNoPty[] = "The simulated unit has no pseudo-terminal here (Linux only).";

// The last line of an import that read nothing.
inline const char kKept[] = "Nothing was imported; the configuration is unchanged.";

// The window's state, a scripted user and the File menu, plus a simulated
// unit to talk to.
struct Rig {
  Editor editor;
  ScriptedPrompts prompts;
  TransferController ctl{editor, prompts};
  UnitSim sim;
  std::vector<std::string> statuses;

  explicit Rig(SimOptions options = {}) : sim(std::move(options)) {
    editor.status.SetOnChange([this](const std::string& text) { statuses.push_back(text); });
  }

  // Telnet Mode with the simulated unit on 127.0.0.1.
  bool UseTelnet() {
    std::string error;
    if (!sim.ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    prompts.hostAnswers.push_back("127.0.0.1:" + std::to_string(sim.TcpPort()));
    ctl.ChooseTelnetMode();
    return ctl.CheckedMode() == TransferController::Mode::Telnet;
  }
  // Serial Mode with the simulated unit's pseudo-terminal typed in.
  bool UseSerial() {
    std::string error;
    if (!sim.OpenPty(&error)) return false;
    prompts.portAnswers.push_back(sim.PtyPath());
    ctl.ChooseSerialMode();
    return ctl.Serial().IsPortOpen();
  }
};

// A simulated unit that answers an import with `lines`.
inline SimOptions Serving(std::vector<std::string> lines) {
  SimOptions o;
  o.configLines = std::move(lines);
  return o;
}

inline QString Host(const UnitSim& sim) { return QStringLiteral("127.0.0.1:%1").arg(sim.TcpPort()); }

// Opens the simulated unit's pty or TCP port and gives zemctl's options for it.
inline bool OpenLink(UnitSim& sim, bool serial, QStringList* link) {
  std::string error;
  if (serial) {
    if (!sim.OpenPty(&error)) return false;
    *link << "--serial" << QString::fromStdString(sim.PtyPath());
  } else {
    if (!sim.ListenTcp(0, QHostAddress::LocalHost, &error)) return false;
    *link << "--telnet" << Host(sim);
  }
  return true;
}

// The rows of a test run once over Telnet and once over a serial line: a
// bool column "serial".
inline void AddLinkRows() {
  QTest::addColumn<bool>("serial");
  QTest::newRow("telnet") << false;
  QTest::newRow("serial") << true;
}

// The model and logs a File Mode import of `lines` gives.
struct FileImport {
  Editor editor;
  explicit FileImport(const std::vector<std::string>& lines) {
    editor.ImportFileText(ZemFileText(lines), "expected.zem");
  }
};

inline std::vector<std::string> NonEmpty(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
               [](const std::string& l) { return !l.empty(); });
  return out;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline bool AnyContains(const std::vector<std::string>& lines, const std::string& part) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// The tables an import fills, compared one by one so a failure says which.
inline std::string ModelDifference(const ConfigModel& a, const ConfigModel& b) {
  if (a.unit.SourceCount != b.unit.SourceCount) return "SourceCount";
  if (a.unit.ZoneCount != b.unit.ZoneCount) return "ZoneCount";
  if (!(a.unit.SourceNames == b.unit.SourceNames)) return "SourceNames";
  if (!(a.unit.ZoneNames == b.unit.ZoneNames)) return "ZoneNames";
  if (!(a.unit.FavoriteNames == b.unit.FavoriteNames)) return "FavoriteNames";
  if (!(a.unit.GroupNames == b.unit.GroupNames)) return "GroupNames";
  if (!(a.unit.ZoneAudio == b.unit.ZoneAudio)) return "ZoneAudio";
  if (!(a.unit.FavoriteStore == b.unit.FavoriteStore)) return "FavoriteStore";
  if (!(a.unit.RestrictionMarks == b.unit.RestrictionMarks)) return "RestrictionGrid";
  if (!(a.unit.GroupMarks == b.unit.GroupMarks)) return "GroupGrid";
  if (a.screen.UnusedMarked != b.screen.UnusedMarked) return "UnusedMarked";
  if (!(a.unit.Options == b.unit.Options)) return "Options";
  return std::string();
}

}  // namespace zem::test
