#pragma once

#include <string>
#include <vector>

#include "editor/editor.h"
#include "model/text_log.h"

namespace zem {

// Each command takes the arguments after its name and returns the exit status.
int RunCheck(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunPull(const std::vector<std::string>& args);
int RunPush(const std::vector<std::string>& args);

// "zemctl: " + message on standard error.
void PrintError(const std::string& message);
// Whether the arguments ask for a command's help.
bool WantsHelp(const std::vector<std::string>& args);
// Says what is wrong and prints the command's help on standard error; 2.
int Usage(const char* help, const std::string& problem);
// A log's lines, each ended by a line feed.
std::string LogText(const TextLog& log);

// Reads `path` and imports it into `editor` as the window's File Mode import
// does; false (after saying why) when the file cannot be read. `cut` tells
// (after a warning) that the file passed the read limit and only its
// beginning was imported.
bool ImportFile(Editor& editor, const std::string& path, bool* cut);

// An output file and the option that named it ("-o", "--log"...).
struct OutputFile {
  const char* option;
  std::string path;
};
// Checked before any work whose result would be lost: every output can be
// written and none is the input (maybe empty) or another output. 0, or 2
// after saying what is wrong.
int CheckFiles(const std::string& input, const std::vector<OutputFile>& outputs);

}  // namespace zem
