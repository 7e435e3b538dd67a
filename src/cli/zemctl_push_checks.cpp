// zemctl push --backup: what a push does around the sending, so that a
// push can be undone.
#include <cstdio>

#include "cli/zemctl.h"
#include "command/command_writer.h"
#include "editor/editor.h"
#include "transfer/file_io.h"

namespace zem {

int BackUpUnit(const LinkArgs& link, int timeoutMs, const std::string& path) {
  Editor unit;
  const int pulled = PullIntoEditor(unit, link, timeoutMs, "no backup written, nothing sent");
  std::string error;
  switch (pulled) {
    case 0:
      if (!unit.HasConfiguration()) {
        PrintError("the unit named no source; no backup written, nothing sent");
      } else if (!WriteFileAtomically(path, ZemFileText(unit.PrepareExport()), &error)) {
        PrintError("cannot write the backup " + path + ": " + error + "; nothing sent");
      } else {
        std::fprintf(stderr, "zemctl: the unit's configuration is backed up in %s\n", path.c_str());
        return 0;
      }
      break;
    case 3:  // PullIntoEditor said why and that nothing was sent
      break;
    case 4:
      PrintError("the unit's answer may be incomplete; no backup written, nothing sent");
      break;
    default:
      PrintError("the backup failed; nothing sent");
      break;
  }
  return kPushBackupFailed;
}

}  // namespace zem
