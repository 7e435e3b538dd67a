#pragma once

#include <string>
#include <vector>

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

}  // namespace zem
